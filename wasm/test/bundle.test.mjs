// The package as others take it: lipisetu/init loaded by the caller, the
// packed tarball with its licence, and the package bundled for browsers by
// esbuild with no flags, loaded in headless Chromium, with lipisetu.wasm
// beside the bundle and at an address given to init. esbuild is installed
// with npm into a cache folder outside the repository; without npm's
// registry or Chromium the bundle test is skipped.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFile, spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { homedir, tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { packageDir, packageJson, run } from '../harness.mjs';

const initEntry = pathToFileURL(path.join(packageDir, packageJson.exports['./init'].node)).href;
const wasmUrl = pathToFileURL(path.join(packageDir, 'lipisetu.wasm')).href;

// In a Node of its own, where nothing has loaded the module yet.
test('lipisetu/init: nothing converts before init, which loads once', () => {
  const script = `import assert from 'node:assert/strict';
    const L = await import(${JSON.stringify(initEntry)});
    assert.deepEqual(L.schemes, []);
    assert.throws(() => L.toRoman('\\u0915'), /not loaded yet: await init\\(\\)/);
    assert.throws(() => new L.ToRomanStream(), /not loaded yet/);
    await assert.rejects(L.init(new Uint8Array(8)), WebAssembly.CompileError);
    await assert.rejects(L.init({}), /init takes an address/);
    const first = L.init(new URL(${JSON.stringify(wasmUrl)}));
    assert.equal(L.init('file:///nowhere.wasm'), first);
    await first;
    assert.equal(L.toRoman('\\u0915', { scheme: L.schemes[2] }), 'ka');`;
  const p = spawnSync(process.execPath, ['--input-type=module', '-e', script]);
  assert.equal(p.status, 0, String(p.stderr));
});

const chromium = ['chromium', 'chromium-browser'].find((c) => spawnSync(c, ['--version']).status === 0);
const cache = path.join(process.env.XDG_CACHE_HOME || path.join(homedir(), '.cache'), 'lipisetu-test');
const esbuild = path.join(cache, 'node_modules', '.bin', 'esbuild');

function npm(args, cwd) {
  return spawnSync('npm', [...args, '--no-audit', '--no-fund', '--loglevel=error'], { cwd, timeout: 180000 });
}

// Why the bundle cannot be tried here, or null.
function missing() {
  if (!chromium) return 'needs chromium';
  if (spawnSync('npm', ['--version']).status !== 0) return 'needs npm';
  if (!existsSync(esbuild)) {
    mkdirSync(cache, { recursive: true });
    if (npm(['install', '--prefix', cache, '--no-save', '--no-package-lock', 'esbuild@^0.28'], cache).status !== 0 ||
      !existsSync(esbuild)) return 'esbuild could not be installed from the npm registry';
  }
  return null;
}

const line = 'satyameva jayate. rAmAyaNa mahAbhArata kRSNa 108';

// The page's text once its module scripts are done.
function page(url) {
  return new Promise((resolve, reject) => {
    const profile = mkdtempSync(path.join(tmpdir(), 'lipisetu-chromium-'));
    execFile(chromium, ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`,
      '--virtual-time-budget=20000', '--dump-dom', url], { timeout: 120000 }, (error, stdout) => {
      rmSync(profile, { recursive: true, force: true });
      if (error) reject(error);
      else resolve(stdout.match(/<pre id="out">([^<]*)<\/pre>/)?.[1]);
    });
  });
}

test('bundled by esbuild for browsers, loaded in Chromium', { skip: missing() ?? false }, async () => {
  const app = mkdtempSync(path.join(tmpdir(), 'lipisetu-app-'));
  const server = createServer((request, response) => {
    const file = path.join(app, new URL(request.url, 'http://x').pathname);
    if (!file.startsWith(app) || !existsSync(file)) return response.writeHead(404).end();
    const type = { '.wasm': 'application/wasm', '.js': 'text/javascript', '.html': 'text/html; charset=utf-8' };
    response.writeHead(200, { 'Content-Type': type[path.extname(file)] ?? 'application/octet-stream' });
    response.end(readFileSync(file));
  });
  try {
    // The tarball make npm makes, with its licence, installed as a user
    // installs it.
    const packed = npm(['pack', packageDir, '--pack-destination', app], app);
    assert.equal(packed.status, 0, String(packed.stderr));
    const tarball = path.join(app, `lipisetu-${packageJson.version}.tgz`);
    assert.match(spawnSync('tar', ['tzf', tarball]).stdout.toString(), /^package\/LICENSE$/m);
    writeFileSync(path.join(app, 'package.json'), '{ "private": true }');
    assert.equal(npm(['install', '--offline', tarball], app).status, 0);

    const want = run('KAVREL', Buffer.from(line), ['--scheme', 'hk']).stdout.toString();
    const show = `document.getElementById('out').textContent = toDevanagari(${JSON.stringify(line)}, { scheme: 'hk' });`;
    const entries = {
      beside: `import { toDevanagari } from 'lipisetu';\n${show}`,
      address: `import { init, toDevanagari } from 'lipisetu/init';\nawait init('/cdn/lipisetu-5e1a.wasm');\n${show}`,
    };
    mkdirSync(path.join(app, 'cdn'));
    copyFileSync(path.join(packageDir, 'lipisetu.wasm'), path.join(app, 'cdn', 'lipisetu-5e1a.wasm'));
    await new Promise((listening) => server.listen(0, '127.0.0.1', listening));
    for (const [name, source] of Object.entries(entries)) {
      writeFileSync(path.join(app, `${name}.js`), source);
      const built = spawnSync(esbuild, [`${name}.js`, '--bundle', '--format=esm', `--outfile=${name}/main.js`], { cwd: app });
      assert.equal(built.status, 0, String(built.stderr));
      assert.doesNotMatch(readFileSync(path.join(app, name, 'main.js'), 'utf8'), /node:/, `${name}: no import of Node's`);
      if (name === 'beside') copyFileSync(path.join(packageDir, 'lipisetu.wasm'), path.join(app, name, 'lipisetu.wasm'));
      writeFileSync(path.join(app, name, 'index.html'),
        '<!doctype html><meta charset="utf-8"><pre id="out"></pre><script type="module" src="main.js"></script>');
      assert.equal(await page(`http://127.0.0.1:${server.address().port}/${name}/index.html`), want, name);
    }
  } finally {
    server.close();
    rmSync(app, { recursive: true, force: true });
  }
});
