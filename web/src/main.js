// The page: draws the trainer's panel model (WebAssembly), forwards presses
// to it, and runs it in slices, one an animation frame, so that the page
// never blocks and Stop acts at once.
import { createEditor } from './editor.js';
import { commandFor, panelActionFor, keysOf } from './keys.js';
import { makeFragment, readFragment, kLinkWarnLength } from './share.js';
import { loadWork, saveWork } from './store.js';
import { kindOf, safeName, kMaxFileBytes } from './files.js';
import { createMonitor } from './monitor.js';

const $ = (id) => document.getElementById(id);
const hex = (v, digits) => v.toString(16).toUpperCase().padStart(digits, '0');

async function start() {
  const { default: createTrainer } = await import('./scmp_web.mjs');
  const Module = await createTrainer();
  const FS = Module.FS;
  for (const dir of ['/in', '/out']) FS.mkdir(dir);
  // Files the page hands over are named by their own names in reports.
  FS.chdir('/in');
  const trainer = new Module.Trainer('/Scmp/');
  if (trainer.startError()) throw new Error(trainer.startError());

  const work = loadWork();
  let sourceName = work.name || 'PROGRAM.s';
  let lastAssembled = null;  // the text last assembled, for the ▶ mark and breakpoints
  let lastFrame = performance.now();

  const status = (text) => { $('status').textContent = text; };

  // ---- The panel -----------------------------------------------------------------
  // Each lamp one element named with its state; the caption under it is
  // for the eye only.
  const lamp = (parent, cls, caption) => {
    const box = document.createElement('span');
    box.className = 'lampbox';
    const el = document.createElement('span');
    el.setAttribute('role', 'img');
    el.className = 'lamp ' + cls;
    const text = document.createElement('span');
    text.setAttribute('aria-hidden', 'true');
    text.textContent = caption;
    box.append(el, text);
    parent.append(box);
    return el;
  };
  const leds = [], flags = [];
  for (let i = 7; i >= 0; --i) leds[i] = lamp($('leds'), 'led', String(i));
  for (let i = 2; i >= 0; --i) flags[i] = lamp($('flags'), 'led flag', `F${i}`);
  const haltLamp = lamp($('side'), 'led halt', 'HALT');
  const sstLamp = lamp($('side'), 'led sst', 'S.STEP');
  const runLamp = lamp($('side'), 'led run', 'RUN/PRGM');
  const switchButton = (parent, name, onClick) => {
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'switch';
    b.setAttribute('role', 'switch');
    b.setAttribute('aria-label', name);
    b.textContent = name.slice(-1);
    b.addEventListener('click', onClick);
    parent.append(b);
    return b;
  };
  const dataSwitches = [], addressSwitches = [];
  for (let i = 7; i >= 0; --i)
    dataSwitches[i] = switchButton($('data-switches'), `Data switch ${i}`, () => act(() => trainer.toggleDataSwitch(i)));
  for (let i = 11; i >= 0; --i)
    addressSwitches[i] = switchButton($('address-switches'), `Address switch ${'0123456789AB'[i]}`,
      () => act(() => trainer.toggleAddressSwitch(i)));
  for (const b of document.querySelectorAll('[data-press]'))
    b.addEventListener('click', () => act(() => trainer.press(b.dataset.press)));

  const regRows = $('registers').rows;
  const regNames = ['A', 'E', 'SR', 'P0', 'P1', 'P2', 'P3'];
  for (const name of regNames) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = name;
    regRows[0].append(th);
    regRows[1].append(document.createElement('td'));
  }

  const setLamp = (el, name, on, share) => {
    const label = `${name}, ${on ? 'lit' : 'dark'}`;
    if (el.getAttribute('aria-label') !== label) el.setAttribute('aria-label', label);
    el.classList.toggle('on', on);
    el.style.setProperty('--share', String(share ?? (on ? 1 : 0)));
  };

  let wasLive = false;
  function render() {
    const p = JSON.parse(trainer.panelJson());
    // While a program runs a lamp glows by the share of time it was lit;
    // standing still, it shows its state.
    const glow = (lamp) => (p.live ? Math.max(lamp.share, lamp.on ? 0.35 : 0) : Number(lamp.on));
    for (let i = 0; i < 8; ++i) setLamp(leds[i], `LED ${i}`, p.leds[i].on, glow(p.leds[i]));
    for (let i = 0; i < 3; ++i) setLamp(flags[i], `Flag F${i}`, p.flags[i].on, glow(p.flags[i]));
    setLamp(haltLamp, 'Halt', p.halt);
    setLamp(sstLamp, 'Single step', p.sst);
    const runLabel = `Run/Prgm, ${p.run ? 'RUN' : 'PRGM'}`;
    if (runLamp.getAttribute('aria-label') !== runLabel) runLamp.setAttribute('aria-label', runLabel);
    runLamp.classList.toggle('on', p.run);
    for (let i = 0; i < 8; ++i) dataSwitches[i].setAttribute('aria-checked', String(p.data[i]));
    for (let i = 0; i < 12; ++i) addressSwitches[i].setAttribute('aria-checked', String(p.address[i]));
    regNames.forEach((name, i) => {
      regRows[1].cells[i].textContent = hex(p.registers[name] & (name.startsWith('P') ? 0xffff : 0xff), name.startsWith('P') ? 4 : 2);
    });
    if ($('state').textContent !== p.state) $('state').textContent = p.state;
    if (!$('lamps-text').hidden && $('lamps-text').textContent !== p.lamps) $('lamps-text').textContent = p.lamps;
    $('run').disabled = p.live;
    $('stop').disabled = !p.live;
    // The ▶ mark goes while a program runs and comes back where it stops.
    if (!p.live || !wasLive) {
      const breaks = JSON.parse(trainer.debugJson()).breakpoints.map((b) => b.line).filter((l) => l > 0);
      editor.setMarks(lastAssembled === editor.text() ? breaks : [], p.live ? 0 : trainer.nextLine(editor.text()));
    }
    wasLive = p.live;
    if (!p.live) {
      if (p.stop) status(p.stop);
      monitor.render(p);
    }
    return p;
  }

  // Every press: the model acts, then one frame draws it and goes on with
  // a loop it started.
  function act(fn) {
    fn();
    render();
    if (trainer.live()) schedule();
  }
  let scheduled = false;
  function schedule() {
    if (scheduled) return;
    scheduled = true;
    lastFrame = performance.now();
    requestAnimationFrame(frame);
  }
  function frame(now) {
    scheduled = false;
    const elapsed = Math.min(now - lastFrame, 100);
    lastFrame = now;
    if (trainer.live()) trainer.slice(elapsed);
    render();
    if (trainer.live()) schedule();
  }

  $('speed').value = String(work.speed ?? 1);
  const applySpeed = () => { trainer.setSpeed(Number($('speed').value)); persist(); };
  $('speed').addEventListener('change', applySpeed);
  // The pause count: 10000 at start-up as on the desktop, 0 for no pause.
  $('pause').value = String(work.pause ?? 10000);
  const applyPause = () => {
    const n = Math.trunc(Number($('pause').value));
    if (!Number.isFinite(n) || n < 0 || n > 1e9) return status('Pause count: a whole number 0..1000000000 (0: no pause).');
    trainer.setPauseCount(n);
    persist();
  };
  $('pause').addEventListener('change', applyPause);
  $('lamps-as-text').addEventListener('change', () => { $('lamps-text').hidden = !$('lamps-as-text').checked; render(); });

  // ---- The editor ----------------------------------------------------------------
  const persist = () => saveWork({ name: sourceName, source: editor.text(), test: $('test-text').value,
    speed: Number($('speed').value), pause: Number($('pause').value), theme: document.documentElement.dataset.theme });
  let persistTimer = 0;
  const editor = createEditor($('editor'), {
    text: work.source ?? '',
    mnemonics: JSON.parse(trainer.mnemonicsJson()),
    onChange: () => { clearTimeout(persistTimer); persistTimer = setTimeout(persist, 300); },
    onGutterClick: (line) => toggleBreakpoint(line),
    extraKeys: [],
  });
  const showName = () => { $('source-name').textContent = '— ' + sourceName; };
  showName();

  function showMessages(list, summary) {
    const ul = $('messages');
    ul.replaceChildren();
    for (const d of list) {
      const li = document.createElement('li');
      const b = document.createElement('button');
      b.type = 'button';
      b.className = 'message ' + d.severity;
      b.textContent = d.text;
      b.addEventListener('click', () => editor.goTo(d.line));
      li.append(b);
      ul.append(li);
    }
    if (summary) {
      const li = document.createElement('li');
      li.textContent = summary;
      ul.append(li);
    }
  }

  function assemble() {
    const text = editor.text();
    const r = JSON.parse(trainer.assemble(sourceName, text));
    editor.setDiagnostics(r.diagnostics.filter((d) => d.file === sourceName));
    const errors = r.diagnostics.filter((d) => d.severity === 'error').length;
    showMessages(r.diagnostics, r.ok ? r.report : (r.error || `${errors} error${errors === 1 ? '' : 's'}: nothing was loaded.`));
    lastAssembled = r.ok ? text : null;
    status(r.ok ? r.report : 'Not assembled: see the messages under the editor.');
    render();
    return r.ok;
  }

  function toggleBreakpoint(line) {
    if (lastAssembled !== editor.text() && !assemble()) return;
    const address = trainer.toggleLineBreakpoint(editor.text(), line);
    if (address === -1) status(`Line ${line} places no instruction: no breakpoint there.`);
    render();
  }

  const commands = {
    assemble: () => assemble(),
    run: () => {
      if (lastAssembled !== editor.text() && !assemble()) return;
      act(() => trainer.continueRun());
    },
    stop: () => act(() => trainer.stop()),
    step: () => {
      if (lastAssembled !== editor.text() && !assemble()) return;
      act(() => trainer.stepOne());
    },
    stepOver: () => {
      if (lastAssembled !== editor.text() && !assemble()) return;
      act(() => trainer.stepOver());
    },
    stepBack: () => act(() => {
      if (!trainer.stepBack()) status('Nothing to step back: open the Monitor, whose history Step Back undoes, then step.');
    }),
    runTests: () => runTests(),
    breakpoint: () => toggleBreakpoint(editor.cursorLine()),
  };
  const buttons = { assemble: 'assemble', run: 'run', stop: 'stop', step: 'step', stepOver: 'step-over', stepBack: 'step-back', runTests: 'run-tests' };
  for (const [command, id] of Object.entries(buttons)) {
    const keys = keysOf(command);
    $(id).setAttribute('aria-keyshortcuts', keys.join(' '));
    $(id).title = `${$(id).textContent} (${keys.join(', ')})`;
    $(id).addEventListener('click', () => commands[command]());
  }

  document.addEventListener('keydown', (event) => {
    const command = commandFor(event);
    if (command) {
      event.preventDefault();
      commands[command]();
      return;
    }
    const target = event.target;
    if (target.closest('input, textarea, select, .cm-editor, [contenteditable]')) return;
    if (event.key === ' ' && target.closest('button, summary')) return;
    const action = panelActionFor(event);
    if (!action) return;
    event.preventDefault();
    if ('dataSwitch' in action) act(() => trainer.toggleDataSwitch(action.dataSwitch));
    else act(() => trainer.press(action.press));
  });

  // ---- Files ---------------------------------------------------------------------
  function openSource(name, text) {
    sourceName = name;
    showName();
    editor.setText(text);
    lastAssembled = null;
    persist();
    assemble();
  }

  async function openFile(file) {
    if (file.size > kMaxFileBytes) {
      status(`${file.name} is larger than ${kMaxFileBytes >> 20} MB: not opened.`);
      return;
    }
    const name = safeName(file.name);
    const kind = kindOf(name);
    if (kind === 'source') return openSource(name, await file.text());
    if (kind === 'test') {
      $('test-text').value = await file.text();
      persist();
      return status(`${name}: the test file for Run Tests.`);
    }
    if (kind === 'unknown') return status(`${name}: the trainer opens .s, .asm, .ram, .hex, .state and .test files.`);
    FS.writeFile(name, new Uint8Array(await file.arrayBuffer()));
    const r = JSON.parse(trainer.loadFile(name));
    FS.unlink(name);
    lastAssembled = null;
    showMessages(r.diagnostics, r.ok ? r.lines.join('\n') : r.error);
    status(r.ok ? (r.lines[0] || `${name} loaded.`) : r.error);
    render();
  }
  $('open').addEventListener('click', () => $('file').click());
  $('file').addEventListener('change', async () => {
    for (const f of $('file').files) await openFile(f);
    $('file').value = '';
  });
  document.addEventListener('dragover', (e) => e.preventDefault());
  document.addEventListener('drop', async (e) => {
    e.preventDefault();
    for (const f of e.dataTransfer.files) await openFile(f);
  });
  $('open-test').addEventListener('click', () => $('file').click());

  const download = (name, data, type) => {
    const url = URL.createObjectURL(new Blob([data], { type }));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
  };
  const stem = () => sourceName.replace(/\.[^.]*$/, '');
  function exported(ext) {
    FS.writeFile(sourceName, editor.text());
    const r = JSON.parse(trainer.exportFiles(sourceName, '/out/' + stem()));
    if (!r.ok) {
      status('Not written: ' + r.error.trim());
      return null;
    }
    const data = FS.readFile('/out/' + stem() + ext);
    for (const e of ['.ASM', '.RAM', '.hex']) try { FS.unlink('/out/' + stem() + e); } catch { /* not written */ }
    return data;
  }
  $('save-source').addEventListener('click', () => download(sourceName, editor.text(), 'text/plain'));
  for (const [id, ext] of [['save-listing', '.ASM'], ['save-ram', '.RAM'], ['save-hex', '.hex']])
    $(id).addEventListener('click', () => {
      const data = exported(ext);
      if (data) download(stem() + ext, data, 'application/octet-stream');
    });

  // The samples and the guide's exercises, from the module's data folder.
  const samples = FS.readdir('/Scmp/Samples').filter((n) => n.endsWith('.s')).sort();
  for (const n of samples) {
    const o = document.createElement('option');
    o.value = n;
    o.textContent = n + (FS.analyzePath(`/Scmp/Samples/${n.replace(/\.s$/, '.test')}`).exists ? ' (exercise)' : '');
    $('samples').append(o);
  }
  $('samples').addEventListener('change', () => {
    const n = $('samples').value;
    if (!n) return;
    const testPath = `/Scmp/Samples/${n.replace(/\.s$/, '.test')}`;
    if (FS.analyzePath(testPath).exists) $('test-text').value = FS.readFile(testPath, { encoding: 'utf8' });
    openSource(n, FS.readFile('/Scmp/Samples/' + n, { encoding: 'utf8' }));
  });

  // ---- Share -----------------------------------------------------------------------
  $('share').addEventListener('click', async () => {
    const fragment = await makeFragment(editor.text(), $('test-text').value);
    const link = location.href.replace(/#.*$/, '') + fragment;
    history.replaceState(null, '', fragment);
    const out = $('share-out');
    out.replaceChildren();
    const a = document.createElement('a');
    a.href = link;
    a.textContent = 'Link to this program';
    out.append(a);
    if (link.length > kLinkWarnLength)
      out.append(` — this link is ${link.length} characters long; some mail and chat programs cut links above about 8 KB.`);
    try { await navigator.clipboard.writeText(link); out.append(' (copied)'); } catch { /* no clipboard here */ }
  });

  // ---- Tests -----------------------------------------------------------------------
  function runTests() {
    const testText = $('test-text').value;
    if (!testText.trim()) return ($('test-summary').textContent = 'Open or type a test file first.');
    FS.writeFile(sourceName, editor.text());
    FS.writeFile('tests.test', testText);
    const r = JSON.parse(trainer.runTests('tests.test', sourceName));
    const ul = $('test-results');
    ul.replaceChildren();
    if (!r.ok) {
      $('test-summary').textContent = 'The test file has errors: ' + (r.error || r.diagnostics.map((d) => d.text).join('; '));
      return;
    }
    $('test-summary').textContent = r.summary;
    r.tests.forEach((t, i) => {
      const li = document.createElement('li');
      li.className = t.passed ? 'pass' : 'fail';
      li.textContent = t.line + (t.failure && !t.line.includes(t.failure) ? ' — ' + t.failure : '');
      if (t.showable) {
        const b = document.createElement('button');
        b.type = 'button';
        b.textContent = 'Show';
        b.setAttribute('aria-label', `Show ${t.name}`);
        b.addEventListener('click', () => {
          $('monitor').open = true;
          const error = trainer.show(i);
          status(error || `${t.name}: the panel stands where the test failed; Step Back walks back from here.`);
          render();
        });
        li.append(' ', b);
      }
      ul.append(li);
    });
  }
  $('test-text').value = work.test ?? '';
  $('test-text').addEventListener('input', persist);

  // ---- Theme and Monitor ---------------------------------------------------------
  const setTheme = (theme) => {
    document.documentElement.dataset.theme = theme;
    $('theme').setAttribute('aria-pressed', String(theme === 'dark'));
  };
  setTheme(work.theme || (matchMedia('(prefers-color-scheme: dark)').matches ? 'dark' : 'light'));
  $('theme').addEventListener('click', () => { setTheme(document.documentElement.dataset.theme === 'dark' ? 'light' : 'dark'); persist(); });

  const monitor = createMonitor({ trainer, status, refresh: () => render() });
  $('monitor').addEventListener('toggle', () => { trainer.setHistory($('monitor').open); render(); });

  // ---- Start ------------------------------------------------------------------------
  if (location.hash.length > 1) {
    try {
      const shared = await readFragment(location.hash);
      if (shared.test !== undefined) $('test-text').value = shared.test;
      if (shared.source !== undefined) openSource('SHARED.s', shared.source);
      status('Opened from the link.');
    } catch (e) {
      status('The link could not be read: ' + e.message);
    }
  } else if (editor.text()) {
    assemble();
  }
  applySpeed();
  applyPause();
  render();
  document.body.dataset.ready = 'true';
  // For the benchmark and the tests: the model itself.
  window.scmp = { trainer, Module, editor };
}

start().catch((e) => {
  document.getElementById('status').textContent = 'The trainer could not start: ' + e.message;
  throw e;
});
