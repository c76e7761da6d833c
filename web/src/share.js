// Share links: the source (and a test file) in the link's fragment, which
// never reaches a server. Each text is UTF-8, compressed as raw deflate and
// written in base64url: "#s=...&t=...".

export const kLinkWarnLength = 8 * 1024;

// Reads a stream to its end, refusing more than `limit` bytes.
async function readAll(stream, limit = Infinity) {
  const reader = stream.getReader();
  const parts = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    size += value.length;
    if (size > limit) {
      await reader.cancel();
      throw new Error('The shared text is larger than 1 MB; it was not opened.');
    }
    parts.push(value);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const p of parts) {
    bytes.set(p, at);
    at += p.length;
  }
  return bytes;
}

const pipe = (bytes, stream) => readAll(new Blob([bytes]).stream().pipeThrough(stream));

export function toBase64Url(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

export function fromBase64Url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text)) throw new Error('The link holds characters that base64url does not use.');
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/') + '==='.slice((text.length + 3) % 4));
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

export async function packText(text) {
  return toBase64Url(await pipe(new TextEncoder().encode(text), new CompressionStream('deflate-raw')));
}

// A link's text is bounded: a hostile link cannot inflate to more than this.
export const kMaxSharedText = 1 << 20;

export async function unpackText(packed) {
  const stream = new Blob([fromBase64Url(packed)]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
  return new TextDecoder('utf-8', { fatal: true }).decode(await readAll(stream, kMaxSharedText));
}

// "#s=...&t=..." for a source and an optional test file.
export async function makeFragment(source, testText) {
  let fragment = '#s=' + (await packText(source));
  if (testText) fragment += '&t=' + (await packText(testText));
  return fragment;
}

// { source, test } from a fragment; absent parts are undefined.
export async function readFragment(fragment) {
  const params = new URLSearchParams(fragment.replace(/^#/, ''));
  const result = {};
  if (params.has('s')) result.source = await unpackText(params.get('s'));
  if (params.has('t')) result.test = await unpackText(params.get('t'));
  return result;
}
