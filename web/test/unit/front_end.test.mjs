// The page's own logic: share links, file kinds and names, keys, the kept work.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { makeFragment, readFragment, packText, unpackText, toBase64Url } from '../../src/share.js';
import { kindOf, safeName } from '../../src/files.js';
import { commandFor, panelActionFor } from '../../src/keys.js';
import { loadWork, saveWork } from '../../src/store.js';

test('share links carry source and test text unchanged', async () => {
  const cases = [
    ['', undefined],
    ['        LDI 0x5A\n        HALT\n', undefined],
    ['; Grüße ▶ 日本 \r\n\tXPAL P1', 'test "a" points 2\n  expect leds F0\nend\n'],
    ['A'.repeat(50000) + '\n', 'x'],
  ];
  for (const [source, testText] of cases) {
    const fragment = await makeFragment(source, testText);
    assert.match(fragment, /^#s=[A-Za-z0-9_-]*(&t=[A-Za-z0-9_-]+)?$/);
    const back = await readFragment(fragment);
    assert.equal(back.source, source);
    assert.equal(back.test, testText || undefined);
  }
});

test('hostile share links are refused, not opened', async () => {
  const bomb = await packText('\0'.repeat((1 << 20) + 1));
  // Raw deflate of the bytes FF FE 41 as one stored block.
  const notUtf8 = toBase64Url(new Uint8Array([0x01, 0x03, 0x00, 0xfc, 0xff, 0xff, 0xfe, 0x41]));
  const cases = [
    ['characters outside base64url', 'ab+/cd', /base64url/],
    ['more than 1 MB inflated', bomb, /larger than 1 MB/],
    ['bytes that are no UTF-8', notUtf8, /./],
    ['no deflate data', 'AAAA', /./],
  ];
  for (const [what, packed, message] of cases)
    await assert.rejects(unpackText(packed), message, what);
});

test('file kinds by extension in any case, and safe names', () => {
  const kinds = [['a.s', 'source'], ['B.ASM', 'listing'], ['c.Ram', 'image'], ['d.hex', 'hex'], ['e.ihx', 'hex'],
    ['f.IHEX', 'hex'], ['g.state', 'state'], ['h.test', 'test'], ['i.txt', 'unknown'], ['s', 'unknown'], ['.s', 'source']];
  for (const [name, kind] of kinds) assert.equal(kindOf(name), kind, name);
  const names = [['../../etc/passwd', 'passwd'], ['C:\\x\\PROG.s', 'PROG.s'], ['..hidden.s', 'hidden.s'],
    ['a b/c?d*.s', 'c_d_.s'], ['', 'file'], ['x'.repeat(300) + '.test', 'x'.repeat(95) + '.test']];
  for (const [name, safe] of names) assert.equal(safeName(name), safe, name);
});

test('keys: commands by Alt and the key place, the panel keys without modifiers', () => {
  const key = (code, mods = {}) => ({ code, key: '', altKey: false, ctrlKey: false, metaKey: false, shiftKey: false, ...mods });
  const commands = [
    [key('KeyA', { altKey: true }), 'assemble'], [key('Enter', { ctrlKey: true }), 'assemble'],
    [key('KeyR', { altKey: true }), 'run'], [key('Escape'), 'stop'], [key('KeyS', { altKey: true }), 'step'],
    [key('KeyO', { altKey: true }), 'stepOver'], [key('KeyB', { altKey: true }), 'stepBack'],
    [key('KeyT', { altKey: true }), 'runTests'], [key('F9'), 'breakpoint'],
    [key('KeyR', { ctrlKey: true }), null], [key('F5'), null], [key('KeyS', { altKey: true, shiftKey: true }), null],
  ];
  for (const [event, command] of commands) assert.equal(commandFor(event), command, JSON.stringify(event));
  const panel = [['3', { dataSwitch: 3 }], ['8', null], ['r', { press: 'RST' }], ['H', { press: 'HLT' }],
    [' ', { press: 'STEP' }], ['+', { press: 'UP' }], ['-', { press: 'DOWN' }], ['x', null]];
  for (const [k, action] of panel) assert.deepEqual(panelActionFor({ key: k, altKey: false, ctrlKey: false, metaKey: false }), action, k);
  assert.equal(panelActionFor({ key: 'r', ctrlKey: true }), null);
});

test('kept work survives damage and a full store', () => {
  const memory = new Map();
  const storage = { getItem: (k) => memory.get(k) ?? null, setItem: (k, v) => memory.set(k, v) };
  assert.deepEqual(loadWork(storage), {});
  assert.equal(saveWork({ source: 'HALT', speed: 2 }, storage), true);
  assert.deepEqual(loadWork(storage), { source: 'HALT', speed: 2 });
  for (const damaged of ['{', '[1]', 'null', '"text"']) {
    memory.set('scmp-trainer-work', damaged);
    assert.deepEqual(loadWork(storage), {}, damaged);
  }
  const full = { getItem: () => null, setItem: () => { throw new Error('QuotaExceededError'); } };
  assert.equal(saveWork({ source: 'x' }, full), false);
});
