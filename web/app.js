// The conversion page: text converted as it is typed, files converted a
// piece at a time and downloaded, ISCII files shown with their dropped
// bytes. Everything runs here, over the WebAssembly module (lipisetu.js
// beside this file); a service worker keeps the page and the module for use
// without the network.

const $ = (id) => document.getElementById(id);
const status = $('status');

// The status line is the one place whose changes are read out: a message
// shown beside what it is about is said here as well.
function announce(message, beside) {
  if (beside) beside.textContent = message;
  status.textContent = message;
}

// The module is imported here rather than at the top, so that a page that
// cannot load it (opened from a file:// address, or in a browser without
// WebAssembly) says why instead of staying blank.
let lipisetu;
try {
  lipisetu = await import('./lipisetu.js');
} catch (e) {
  status.textContent = `The converters could not be loaded (${e.message}). The page must be served ` +
    'over HTTP, with lipisetu.js and lipisetu.wasm beside it.';
  status.classList.add('error');
  throw e;
}
const { schemes, scripts, toDevanagari, toRoman, ToDevanagariStream, ToRomanStream, FromIsciiStream } = lipisetu;

if ('serviceWorker' in navigator) {
  navigator.serviceWorker.register('sw.js').catch(() => {}); // the page works without it, online
}

// The choices of scheme and of the script Roman text is written in, as the
// module lists them, the default first.
for (const [selector, names] of [['select.scheme', schemes], ['select.script', scripts]]) {
  for (const select of document.querySelectorAll(selector)) {
    for (const s of names) select.add(new Option(s, s));
    select.value = names[0];
  }
}

// A script's name as a heading shows it: "tamil" as "Tamil".
function scriptTitle(name) {
  return name.charAt(0).toUpperCase() + name.slice(1);
}

// ---------------------------------------------------------------- Text

const textForm = $('text-form');
const textInput = $('text-input');
const textOutput = $('text-output');

// The live preview converts at most this many UTF-16 units, which take a
// few milliseconds; a longer text is converted when asked, or as a file.
// A text of more than QUICK units is converted once typing pauses.
const LIVE_LIMIT = 100000;
const QUICK = 10000;
const PAUSE = 250; // ms
// The text is kept in the address up to this many units: a link stays
// short enough for any browser and any message it is sent in.
const ADDRESS_LIMIT = 2000;
const STORED = 'lipisetu-page';

// The settings a form's controls hold; the file form's also its forms of
// input and output.
function settingsOf(form) {
  const f = form.elements;
  const s = {
    direction: f.direction.value,
    scheme: f.scheme.value,
    script: f.script.value,
    sanskrit: f.sanskrit.checked,
    numerals: f.numerals.checked,
    nfc: f.nfc.checked,
  };
  if (f.input) {
    s.input = f.input.value;
    s.output = f.output.value;
  }
  return s;
}

// The language of each side: Roman text is Hindi or Sanskrit in Latin
// letters, and so is its Devanagari.
function languages(sanskrit) {
  return sanskrit ? ['sa-Latn', 'sa'] : ['hi-Latn', 'hi'];
}

function convertText(asked = false) {
  const s = settingsOf(textForm);
  const [roman, devanagari] = languages(s.sanskrit && s.direction === 'devanagari');
  const toDeva = s.direction === 'devanagari';
  $('text-options').disabled = !toDeva;
  textForm.elements.script.disabled = !toDeva; // Devanagari to Roman reads every script
  $('text-input-label').textContent = toDeva ? `Roman text (${s.scheme})` : 'Devanagari text';
  $('text-output-label').textContent = toDeva ? scriptTitle(s.script) : `Roman (${s.scheme})`;
  textInput.lang = toDeva ? roman : devanagari;
  textOutput.lang = toDeva ? devanagari : roman;
  textInput.classList.toggle('deva', !toDeva);
  textOutput.classList.toggle('deva', toDeva);
  textInput.placeholder = toDeva ? 'satyameva jayate' : '\u0938\u0924\u094d\u092f\u092e\u0947\u0935 \u091c\u092f\u0924\u0947';
  const text = textInput.value;
  const live = text.length <= LIVE_LIMIT || asked;
  $('text-limit').hidden = live;
  $('copy-note').textContent = '';
  if (live) {
    textOutput.value = toDeva
      ? toDevanagari(text, {
        scheme: s.scheme, script: s.script, sanskrit: s.sanskrit, numerals: s.numerals, nfc: s.nfc,
      })
      : toRoman(text, { scheme: s.scheme });
  } else {
    textOutput.value = '';
  }
  showHint(toDeva && live ? text : '', textOutput.value, s.scheme);
  keep(s, text);
}

let pending = 0;
function textChanged() {
  clearTimeout(pending);
  pending = setTimeout(convertText, textInput.value.length > QUICK ? PAUSE : 0);
}

textInput.addEventListener('input', textChanged);
textForm.addEventListener('change', () => convertText());
textForm.addEventListener('submit', (e) => e.preventDefault());
$('text-now').addEventListener('click', () => convertText(true));

// Swapping takes the result as the new text, so that a round trip is one
// press away.
$('swap').addEventListener('click', () => {
  const f = textForm.elements;
  const result = textOutput.value;
  f.direction.value = f.direction.value === 'devanagari' ? 'roman' : 'devanagari';
  textInput.value = result;
  convertText();
  textInput.focus();
});

$('copy').addEventListener('click', async () => {
  try {
    await navigator.clipboard.writeText(textOutput.value);
    announce('The result is copied.', $('copy-note'));
  } catch {
    // Without the clipboard (an address that is not secure), the result
    // is selected for the reader to copy.
    getSelection().selectAllChildren(textOutput);
    announce('The result is selected: copy it with the keyboard or the menu.', $('copy-note'));
  }
});

// A Devanagari result that keeps Latin letters may be text in another
// scheme: the package's detect, where it has one, names the scheme the
// text is most likely in, and the hint offers to read it so.
const latin = /\p{Script=Latin}/u;
function showHint(text, result, scheme) {
  const hint = $('scheme-hint');
  const guess = text && latin.test(result) && typeof lipisetu.detect === 'function' ? lipisetu.detect(text) : null;
  hint.hidden = !(guess && guess.scheme !== scheme && schemes.includes(guess.scheme));
  if (hint.hidden) return;
  $('scheme-hint-text').textContent = `Some letters were left as they are: the text reads like ${guess.scheme}.`;
  $('scheme-switch').textContent = `Read it as ${guess.scheme}`;
  $('scheme-switch').value = guess.scheme;
}
$('scheme-switch').addEventListener('click', (e) => {
  textForm.elements.scheme.value = e.target.value;
  convertText();
});

// ---------------------------------------------------------------- Text: kept and shared

// The settings, and the text where it is short enough, as the address's
// query (only what differs from the defaults) and in the browser's storage,
// each time the text is converted; at most once a pause.
let keeping = 0;
function keep(s, text) {
  clearTimeout(keeping);
  keeping = setTimeout(() => {
    const q = new URLSearchParams();
    if (text && text.length <= ADDRESS_LIMIT) q.set('text', text);
    if (s.scheme !== schemes[0]) q.set('scheme', s.scheme);
    if (s.script !== scripts[0]) q.set('script', s.script);
    if (s.direction !== 'devanagari') q.set('dir', s.direction);
    if (s.sanskrit) q.set('sanskrit', '1');
    if (s.numerals) q.set('numerals', '1');
    if (s.nfc) q.set('nfc', '1');
    const query = q.toString();
    history.replaceState(null, '', query ? `?${query}` : location.pathname);
    try {
      localStorage.setItem(STORED, JSON.stringify({ ...s, text: text.length <= LIVE_LIMIT ? text : '' }));
    } catch {
      // No storage (a private window, or full): the address still holds it.
    }
  }, PAUSE);
}

// The state the page opens with: the address's, else the one kept, else
// the form's defaults. A value the page does not know is left out.
function restore() {
  let kept = {};
  try {
    kept = JSON.parse(localStorage.getItem(STORED)) ?? {};
  } catch {
    // Nothing kept, or not ours.
  }
  const q = new URLSearchParams(location.search);
  const shared = [...q.keys()].some((k) =>
    ['text', 'scheme', 'script', 'dir', 'sanskrit', 'numerals', 'nfc'].includes(k));
  const flag = (name) => ['1', 'true', 'yes'].includes(q.get(name));
  const s = shared
    ? { text: q.get('text') ?? '', scheme: q.get('scheme'), script: q.get('script'), direction: q.get('dir'),
      sanskrit: flag('sanskrit'), numerals: flag('numerals'), nfc: flag('nfc') }
    : kept;
  const f = textForm.elements;
  if (schemes.includes(s.scheme)) f.scheme.value = s.scheme;
  if (scripts.includes(s.script)) f.script.value = s.script;
  if (['devanagari', 'roman'].includes(s.direction)) f.direction.value = s.direction;
  f.sanskrit.checked = s.sanskrit === true;
  f.numerals.checked = s.numerals === true;
  f.nfc.checked = s.nfc === true;
  if (typeof s.text === 'string') textInput.value = s.text;
}

// ---------------------------------------------------------------- Dropped files

// A file dragged over a drop target is taken by it, not opened in the tab.
function dropTarget(element, take) {
  const files = (e) => e.dataTransfer && [...e.dataTransfer.types].includes('Files');
  element.addEventListener('dragover', (e) => {
    if (!files(e)) return;
    e.preventDefault();
    element.classList.add('dragging');
  });
  element.addEventListener('dragleave', () => element.classList.remove('dragging'));
  element.addEventListener('drop', (e) => {
    element.classList.remove('dragging');
    if (!files(e) || e.dataTransfer.files.length === 0) return;
    e.preventDefault();
    take(e.dataTransfer.files);
  });
}

// The text of a file: UTF-16 by its byte-order mark, else UTF-8.
async function fileText(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const form = bytes[0] === 0xff && bytes[1] === 0xfe ? 'utf-16le' : bytes[0] === 0xfe && bytes[1] === 0xff ? 'utf-16be' : 'utf-8';
  return new TextDecoder(form).decode(bytes);
}

// A file dropped on the text box: its text converted here, or, when it is
// too long to convert as it is typed, by the file converter with the same
// settings.
dropTarget(textInput, async (files) => {
  const file = files[0];
  if (file.size <= LIVE_LIMIT) {
    textInput.value = await fileText(file);
    convertText();
    announce(`${file.name} is in the text box, converted.`);
    return;
  }
  const s = settingsOf(textForm);
  const f = fileForm.elements;
  f.direction.value = s.direction;
  f.scheme.value = s.scheme;
  f.script.value = s.script;
  f.sanskrit.checked = s.sanskrit;
  f.numerals.checked = s.numerals;
  f.nfc.checked = s.nfc;
  fileInput.files = files;
  fileDirectionChanged();
  fileForm.requestSubmit();
});

// ---------------------------------------------------------------- Progress

const sizeFormat = new Intl.NumberFormat('en', { maximumFractionDigits: 1 });

function bytes(n) {
  if (n < 1024) return `${n} bytes`;
  if (n < 1024 * 1024) return `${sizeFormat.format(n / 1024)} KB`;
  return `${sizeFormat.format(n / (1024 * 1024))} MB`;
}

// A pass-through stream that counts the bytes read from the file and shows
// them at most once a frame, and when the file is done.
function counter(size, bar, text) {
  let read = 0;
  let shown = false;
  const show = () => {
    shown = false;
    bar.max = Math.max(size, 1);
    bar.value = read;
    text.textContent = `${bytes(read)} of ${bytes(size)}`;
  };
  bar.max = Math.max(size, 1);
  bar.value = 0;
  text.textContent = `0 bytes of ${bytes(size)}`;
  return new TransformStream({
    transform(chunk, controller) {
      read += chunk.byteLength;
      if (!shown) {
        shown = true;
        requestAnimationFrame(show);
      }
      controller.enqueue(chunk);
    },
    flush() {
      show();
    },
  });
}

// A sink that gathers chunks into a Blob. The pieces are handed to a new
// Blob every few megabytes, so that the page keeps little of the result
// itself: the browser holds the Blob's bytes, a large one on disk.
function blobSink() {
  const FOLD = 4 << 20;
  let blob = new Blob([]);
  let parts = [];
  let pending = 0;
  const fold = () => {
    blob = new Blob([blob, ...parts]);
    parts = [];
    pending = 0;
  };
  return {
    stream: new WritableStream({
      write(chunk) {
        parts.push(chunk);
        pending += chunk.byteLength;
        if (pending >= FOLD) fold();
      },
    }),
    blob(type) {
      fold();
      return new Blob([blob], { type });
    },
  };
}

let lastUrl = null;

// Downloads the blob under the name, through a link of an object URL that
// lives until the next download.
function download(blob, name) {
  if (lastUrl) URL.revokeObjectURL(lastUrl);
  lastUrl = URL.createObjectURL(blob);
  const a = document.createElement('a');
  a.href = lastUrl;
  a.download = name;
  a.textContent = `Download ${name} again`;
  return a;
}

// "notes.txt" to "notes-devanagari.txt".
function resultName(name, tag) {
  const dot = name.lastIndexOf('.');
  return dot > 0 ? `${name.slice(0, dot)}-${tag}${name.slice(dot)}` : `${name}-${tag}.txt`;
}

// "hindi.iscii" to "hindi.txt".
function textName(name) {
  const dot = name.lastIndexOf('.');
  return `${dot > 0 ? name.slice(0, dot) : name}.txt`;
}

// ---------------------------------------------------------------- Files

const fileForm = $('file-form');
const fileInput = $('file-input');
const fileResult = $('file-result');
const fileCancel = $('file-cancel');
let fileRun = null;


// Devanagari is read as UTF-8 alone: the options and forms are Roman's.
function fileDirectionChanged() {
  const roman = settingsOf(fileForm).direction !== 'devanagari';
  $('file-options').disabled = roman;
  $('file-forms').disabled = roman;
  fileForm.elements.script.disabled = roman;
}
fileForm.addEventListener('change', fileDirectionChanged);

// The type of the result, with its charset where the form is known.
function resultType(s) {
  if (s.direction === 'roman' || s.output === 'utf-8') return 'text/plain;charset=utf-8';
  if (s.output === 'utf-16le' || s.output === 'utf-16be') return 'text/plain;charset=utf-16';
  return 'text/plain';
}

fileForm.addEventListener('submit', async (e) => {
  e.preventDefault();
  const file = fileInput.files[0];
  if (!file) {
    announce('Choose a file first.', fileResult);
    fileInput.focus();
    return;
  }
  if (fileRun) return;
  const s = settingsOf(fileForm);
  const conversion = s.direction === 'devanagari'
    ? new ToDevanagariStream({
      scheme: s.scheme, script: s.script, sanskrit: s.sanskrit, numerals: s.numerals, nfc: s.nfc, input: s.input,
      output: s.output,
    })
    : new ToRomanStream({ scheme: s.scheme });
  const sink = blobSink();
  fileRun = new AbortController();
  $('file-convert').disabled = true;
  fileCancel.hidden = false;
  announce(`Converting ${file.name}…`, fileResult);
  try {
    await file.stream()
      .pipeThrough(counter(file.size, $('file-progress'), $('file-progress-text')))
      .pipeThrough(conversion)
      .pipeTo(sink.stream, { signal: fileRun.signal });
    const name = resultName(file.name, s.direction === 'devanagari' ? s.script : s.scheme);
    const blob = sink.blob(resultType(s));
    const link = download(blob, name);
    announce(`${file.name} converted: ${bytes(blob.size)}. `, fileResult);
    fileResult.append(link);
    link.click();
  } catch (err) {
    announce(fileRun.signal.aborted
      ? `Stopped: ${file.name} was not converted.`
      : `${file.name} could not be converted: ${err.message}`, fileResult);
  } finally {
    fileRun = null;
    $('file-convert').disabled = false;
    fileCancel.hidden = true;
  }
});

fileCancel.addEventListener('click', () => fileRun?.abort());

// A file dropped on a file field, or around it, is taken as if chosen.
for (const input of [fileInput, $('iscii-input')]) {
  dropTarget(input.closest('fieldset'), (files) => {
    input.files = files;
    input.dispatchEvent(new Event('change', { bubbles: true }));
  });
}

// ---------------------------------------------------------------- ISCII

// The text and the rows shown are bounded, so that a large file does not
// fill the page; its whole text is in the download.
const SHOWN_TEXT = 1 << 20; // UTF-16 units
const SHOWN_MESSAGES = 1000;

const isciiInput = $('iscii-input');
const isciiText = $('iscii-text');
const isciiRows = $('iscii-messages').tBodies[0];
const isciiSummary = $('iscii-summary');
const isciiDownload = $('iscii-download');
let isciiResult = null;
let isciiRun = 0;

const kindNames = { ignored: 'no character', atr: 'ATR code', ext: 'EXT code' };

function messageRow(m) {
  const row = isciiRows.insertRow();
  const cells = [
    `0x${m.byte.toString(16).padStart(2, '0')}`,
    String(m.line),
    kindNames[m.kind] ?? m.kind,
    String(m.offset),
    m.message,
  ];
  for (const c of cells) row.insertCell().textContent = c;
  row.dataset.kind = m.kind;
}

// Reading the script codes or not changes the text: the file is read again.
$('iscii-atr').addEventListener('change', () => {
  if (isciiInput.files[0]) isciiInput.dispatchEvent(new Event('change'));
});
isciiInput.addEventListener('change', async () => {
  const file = isciiInput.files[0];
  if (!file) return;
  const run = ++isciiRun; // a file chosen while another is read replaces it
  isciiText.textContent = '';
  isciiRows.replaceChildren();
  isciiDownload.disabled = true;
  $('iscii-text-note').textContent = '';
  announce(`Reading ${file.name}…`, isciiSummary);

  let count = 0;
  let dropped = 0;
  let shown = '';
  let cut = false;
  const decoder = new TextDecoder('utf-8', { ignoreBOM: true });
  const sink = blobSink();
  const conversion = new FromIsciiStream({
    atr: $('iscii-atr').checked,
    onMessage(m) {
      if (run !== isciiRun) return;
      if (count < SHOWN_MESSAGES) messageRow(m);
      count++;
      dropped += m.span;
    },
  });
  // The text shown is decoded from the same chunks that go to the download.
  const show = new TransformStream({
    transform(chunk, controller) {
      if (!cut) {
        shown += decoder.decode(chunk, { stream: true });
        if (shown.length > SHOWN_TEXT) {
          shown = shown.slice(0, SHOWN_TEXT);
          cut = true;
        }
      }
      controller.enqueue(chunk);
    },
    flush() {
      if (!cut) shown += decoder.decode();
    },
  });
  try {
    await file.stream()
      .pipeThrough(counter(file.size, $('iscii-progress'), $('iscii-progress-text')))
      .pipeThrough(conversion)
      .pipeThrough(show)
      .pipeTo(sink.stream);
  } catch (err) {
    if (run === isciiRun) announce(`${file.name} could not be read: ${err.message}`, isciiSummary);
    return;
  }
  if (run !== isciiRun) return;
  isciiText.textContent = shown;
  if (cut) $('iscii-text-note').textContent = 'The text is cut short here; the download has all of it.';
  // An ATR or EXT code is dropped with the byte after it: one message, two
  // bytes.
  announce(count === 0
    ? `${file.name}: no byte dropped.`
    : `${file.name}: ${dropped} ${dropped === 1 ? 'byte' : 'bytes'} dropped in ${count} ` +
      `${count === 1 ? 'place' : 'places'}` + (count > SHOWN_MESSAGES ? `, the first ${SHOWN_MESSAGES} listed.` : '.'),
  isciiSummary);
  isciiResult = { blob: sink.blob('text/plain;charset=utf-8'), name: textName(file.name) };
  isciiDownload.disabled = false;
});

isciiDownload.addEventListener('click', () => {
  if (isciiResult) download(isciiResult.blob, isciiResult.name).click();
});

// ---------------------------------------------------------------- Ready

restore();
fileDirectionChanged();
convertText();
status.textContent = 'Ready.';
document.documentElement.dataset.ready = 'true';
