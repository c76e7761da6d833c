// The WebAssembly trainer as the page drives it: runs in slices that Stop
// ends at once, real-time pacing, diagnostics, files, breakpoints and tests.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = dirname(fileURLToPath(import.meta.url));
const build = process.env.WEB_BUILD ?? join(here, '..', '..', '..', 'build-web');
const samples = join(here, '..', '..', '..', 'Scmp', 'Samples');
// The module is built for the page; under node it wants CommonJS's names and
// is handed its WebAssembly directly instead of fetching it.
globalThis.__dirname = build;
globalThis.require = createRequire(import.meta.url);
const { default: createTrainer } = await import(join(build, 'scmp_web.mjs'));
const Module = await createTrainer({ wasmBinary: readFileSync(join(build, 'scmp_web.wasm')) });
Module.FS.mkdir('/in');

const fresh = (pause = 0) => {
  const t = new Module.Trainer('/Scmp/');
  t.setPauseCount(pause);
  return t;
};
const panel = (t) => JSON.parse(t.panelJson());
const stateField = (t, name) => new RegExp(`(?:^| )${name}=(\\S+)`).exec(t.stateLine())[1];
const sample = (name) => readFileSync(join(samples, name), 'utf8');
// A loop that never ends: counts on the LEDs.
const kCounter = '        .org 0x001\n        LDI 0x0A\n        XPAH P1\n        LDI 0\n        XPAL P1\nLOOP:   ILD 0x40(P0)\n        ST 0(P1)\n        JMP LOOP\n';

test('a program runs to HALT in one press and shows the state line', () => {
  for (const [name, leds] of [['FIRST.s', '5A']]) {
    const t = fresh();
    assert.equal(JSON.parse(t.assemble(name, sample(name))).ok, true);
    t.press('RST');
    t.press('SST');
    assert.equal(t.press('RUN'), false, 'a HALT ends the loop within the first slice');
    assert.equal(stateField(t, 'LEDS'), leds);
    assert.equal(stateField(t, 'HALT'), '1');
    assert.match(t.stateLine(), /^A=[0-9A-F]{2} E=[0-9A-F]{2} SR=[0-9A-F]{2} P0=[0-9A-F]{4} P1=[0-9A-F]{4} P2=[0-9A-F]{4} P3=[0-9A-F]{4} LEDS=[0-9A-F]{2} FLAGS=[0-7] HALT=[01]$/);
    assert.equal(panel(t).leds[1].on, true);
  }
});

test('an endless run goes in slices at every speed, and Stop ends it at once', () => {
  for (const speed of [0, 1, 100]) {
    const t = fresh();
    t.setSpeed(speed);
    assert.equal(JSON.parse(t.assemble('COUNT.s', kCounter)).ok, true);
    t.press('RST');
    t.press('SST');
    assert.equal(t.press('RUN'), true, `speed ${speed}: still running after a slice`);
    const before = panel(t).microcycles;
    for (let i = 0; i < 5; ++i) assert.equal(t.slice(16), true);
    const ran = panel(t).microcycles - before;
    if (speed > 0) {
      // Five frames of 16 ms: 80 ms of the board's time at real time, times the speed.
      // Never ahead of the speed; at real time any host keeps up with it.
      const want = 80000 * speed;
      assert.ok(ran < want * 1.1, `speed ${speed}: ${ran} microcycles, wanted at most about ${want}`);
      if (speed === 1) assert.ok(ran > want * 0.9, `real time: ${ran} microcycles, wanted about ${want}`);
    } else {
      assert.ok(ran > 1e6, `unlimited: ${ran} microcycles in five slices`);
    }
    t.stop();
    assert.equal(t.live(), false);
    assert.equal(t.slice(16), false, 'no slice runs after Stop');
    assert.equal(stateField(t, 'HALT'), '1');
  }
});

test('the pause count ends a run after so many instructions', () => {
  for (const count of [1, 10000, 300000]) {
    const t = fresh(count);
    t.setSpeed(0);
    t.assemble('COUNT.s', kCounter);
    t.press('RST');
    t.press('SST');
    for (let live = t.press('RUN'); live; live = t.slice(16));
    assert.equal(panel(t).steps, count);
  }
});

test('HLT and SST end a live run as on the board; RST restarts it', () => {
  for (const [press, stillLive] of [['HLT', false], ['SST', false], ['RST', true]]) {
    const t = fresh();
    t.setSpeed(0);
    t.assemble('COUNT.s', kCounter);
    t.press('RST');
    t.press('SST');
    assert.equal(t.press('RUN'), true);
    t.press(press);
    assert.equal(t.live(), stillLive, press);
    if (press === 'RST') assert.equal(stateField(t, 'P0'), '0000');
    t.stop();
  }
});

test('assembling reports FILE:LINE:COL and loads nothing on errors', () => {
  const cases = [
    ['        LDI 0x5A\n        HALT\n', true, []],
    ['        LDI 0x5A\n        FOO 3\n', false, ['BAD.s:2:']],
    ['        JMP NOWHERE\n\n        LDX 1\n', false, ['BAD.s:1:', 'BAD.s:3:']],
  ];
  for (const [text, ok, places] of cases) {
    const r = JSON.parse(fresh().assemble('BAD.s', text));
    assert.equal(r.ok, ok, text);
    const errors = r.diagnostics.filter((d) => d.severity === 'error').map((d) => d.text);
    assert.equal(errors.length, places.length, errors.join('\n'));
    places.forEach((p, i) => assert.ok(errors[i].startsWith(p), `${errors[i]} starts with ${p}`));
  }
});

test('files of every kind load through the model; others are refused with a reason', () => {
  const cases = [['COUNTER.ASM', true], ['COUNTER.RAM', true], ['FIRST.s', true]];
  for (const [name, ok] of cases) {
    Module.FS.writeFile('/in/' + name, readFileSync(join(samples, name)));
    const r = JSON.parse(fresh().loadFile('/in/' + name));
    assert.equal(r.ok, ok, name + ': ' + r.error);
  }
  Module.FS.writeFile('/in/BROKEN.hex', ':ZZ\n');
  const r = JSON.parse(fresh().loadFile('/in/BROKEN.hex'));
  assert.equal(r.ok, false);
  assert.match(r.error, /BROKEN\.hex/);
});

test('a breakpoint on a source line stops the run there, and Step Back undoes a step', () => {
  const t = fresh();
  t.setHistory(true);
  t.assemble('COUNT.s', kCounter);
  const address = t.toggleLineBreakpoint(kCounter, 7);
  assert.ok(address > 0);
  assert.equal(t.toggleLineBreakpoint(kCounter, 1), -1, 'a directive places no instruction');
  assert.equal(t.toggleLineBreakpoint(kCounter + ' ', 7), -2, 'a text not assembled');
  t.press('RST');
  t.continueRun();
  assert.equal(t.live(), false);
  assert.equal(t.nextLine(kCounter), 7);
  assert.match(t.debugJson(), /"breakpoints":\[\{"address":\d+/);
  const before = t.stateLine();
  t.stepOne();
  assert.notEqual(t.stateLine(), before);
  assert.equal(t.stepBack(), true);
  assert.equal(t.stateLine(), before);
});

test('tests grade a program as scmp-test does, and Show replays a failure', () => {
  Module.FS.writeFile('/in/EX1.test', sample('EX1_INVERT.test'));
  const cases = [[sample('EX1_INVERT.s'), true], ['        .org 0x001\n        HALT\n', false], ['  FOO\n', false]];
  for (const [program, allPass] of cases) {
    Module.FS.writeFile('/in/EX1_INVERT.s', program);
    const t = fresh();
    const r = JSON.parse(t.runTests('/in/EX1.test', '/in/EX1_INVERT.s'));
    assert.equal(r.ok, true);
    assert.equal(r.score === r.max_score, allPass, r.summary);
    assert.equal(r.report.max_score, r.max_score);
    const failed = r.tests.findIndex((x) => x.showable);
    if (failed >= 0) assert.equal(t.show(failed), '');
  }
  Module.FS.writeFile('/in/BAD.test', 'test "x"\n  expect nothing\n');
  assert.equal(JSON.parse(fresh().runTests('/in/BAD.test', '/in/EX1_INVERT.s')).ok, false);
});

test('downloads: the listing, RAM image and HEX as scmp-asm writes them; nothing on errors', () => {
  for (const [name, text, ok] of [['FIRST.s', sample('FIRST.s'), true], ['COUNTER.s', sample('COUNTER.s'), true], ['BAD.s', '  FOO\n', false]]) {
    const stem = '/in/' + name.replace(/\.s$/, '');
    Module.FS.writeFile('/in/' + name, text);
    const r = JSON.parse(fresh().exportFiles('/in/' + name, stem));
    assert.equal(r.ok, ok, r.error);
    for (const ext of ['.ASM', '.RAM', '.hex']) assert.equal(Module.FS.analyzePath(stem + ext).exists, ok, name + ext);
    if (ok) assert.deepEqual(Buffer.from(Module.FS.readFile(stem + '.ASM')), readFileSync(join(samples, name.replace(/\.s$/, '.ASM'))));
    else assert.match(r.error, /BAD\.s:1:/);
  }
});
