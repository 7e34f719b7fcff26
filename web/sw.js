// The page's service worker: the page, its module and its files kept in the
// browser's cache when it is first opened, so that it opens and converts
// without the network afterwards. Each request goes to the network first,
// so that a page served anew is seen at once, and the answer is kept; when
// the network fails, the kept answer is given instead.
const CACHE = 'lipisetu-page';
const FILES = ['./', 'index.html', 'style.css', 'app.js', 'lipisetu.js', 'init.js', 'lipisetu.wasm',
  'manifest.webmanifest', 'icon.svg'];

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (e) => e.waitUntil(self.clients.claim()));

self.addEventListener('fetch', (e) => {
  const url = new URL(e.request.url);
  if (e.request.method === 'GET' && url.origin === location.origin) e.respondWith(answer(e.request, url));
});

// The page's address is kept without its query (the text and settings), so
// that one copy serves every shared link.
async function answer(request, url) {
  const cache = await caches.open(CACHE);
  const key = `${url.origin}${url.pathname}`;
  try {
    const response = await fetch(request);
    if (response.ok) await cache.put(key, response.clone());
    return response;
  } catch (e) {
    const kept = await cache.match(key);
    if (kept) return kept;
    throw e;
  }
}
