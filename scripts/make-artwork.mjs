#!/usr/bin/env node
// Draws the program's artwork and writes it in the exact containers the build embeds:
//   ui/logo.png         the header wordmark, 360 x 142 RGBA, with sRGB, pHYs and eXIf chunks and
//                       its image data split over three IDAT chunks
//   resources/app.ico   the program icon: 16, 32, 48 and 64 px as 32-bit DIBs, 256 px as PNG
// ImageMagick (Debian's imagemagick, fonts-dejavu-core) only rasterises; every byte of the files is
// written here, so the output is the same on every run.
//
// Usage: node scripts/make-artwork.mjs
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { deflateSync } from 'node:zlib';

const ROOT = join(dirname(fileURLToPath(import.meta.url)), '..');
const CONVERT = '/usr/bin/convert';
const FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf';

const PRIMARY = '#0060eb';
const INK = '#0e1014';
const GREEN = '#08783e';

// Runs ImageMagick on a transparent canvas and returns its pixels as 8-bit RGBA rows.
function rasterise(width, height, drawing) {
  const args = ['-size', `${width}x${height}`, 'xc:none', '-font', FONT, '-gravity', 'northwest',
                ...drawing, '-depth', '8', 'RGBA:-'];
  const pixels = execFileSync(CONVERT, args, { maxBuffer: 1 << 26 });
  if (pixels.length !== width * height * 4) throw new Error(`unexpected raster size ${pixels.length}`);
  return pixels;
}

// The emblem: a rounded blue square with "BQ" and a green quay line, at any size.
function emblem(x, y, size) {
  const s = (v) => (v * size) / 120;
  const r = Math.max(2, Math.round(s(26)));
  return [
    '-fill', PRIMARY, '-draw', `roundrectangle ${x},${y} ${x + size - 1},${y + size - 1} ${r},${r}`,
    '-fill', 'white', '-pointsize', `${s(56)}`, '-annotate', `+${x + s(13)}+${y + s(22)}`, 'BQ',
    '-fill', GREEN, '-draw', `rectangle ${x + s(24)},${y + s(95)} ${x + s(96)},${y + s(101)}`,
  ];
}

const CRC_TABLE = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// Exif in TIFF form (big-endian): orientation normal, 72 dpi on both axes, the same density
// as the pHYs chunk's 2835 pixels per metre.
function exif() {
  const entries = [
    [0x0112, 3, 1, 1],   // Orientation: SHORT, top-left
    [0x011a, 5, 1, 62],  // XResolution: RATIONAL at offset 62
    [0x011b, 5, 1, 70],  // YResolution: RATIONAL at offset 70
    [0x0128, 3, 1, 2],   // ResolutionUnit: SHORT, inch
  ];
  const out = Buffer.alloc(8 + 2 + entries.length * 12 + 4 + 16);
  out.write('MM\0*', 0, 'latin1');
  out.writeUInt32BE(8, 4);
  out.writeUInt16BE(entries.length, 8);
  entries.forEach(([tag, type, count, value], i) => {
    const at = 10 + i * 12;
    out.writeUInt16BE(tag, at);
    out.writeUInt16BE(type, at + 2);
    out.writeUInt32BE(count, at + 4);
    if (type === 3) out.writeUInt16BE(value, at + 8);
    else out.writeUInt32BE(value, at + 8);
  });
  // The next-IFD offset (0) follows the entries; then the two rationals 72/1.
  for (const at of [62, 70]) {
    out.writeUInt32BE(72, at);
    out.writeUInt32BE(1, at + 4);
  }
  return out;
}

// PNG of 8-bit RGBA rows, not interlaced. The zlib stream is cut into `idatCount` chunks.
function encodePng(width, height, rgba, { metadata, idatCount }) {
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr.set([8, 6, 0, 0, 0], 8);  // depth 8, colour type RGBA, deflate, adaptive filters, no interlace

  const stride = width * 4;
  const raw = Buffer.alloc(height * (stride + 1));
  for (let y = 0; y < height; ++y) {
    raw[y * (stride + 1)] = 0;  // filter type None
    rgba.copy(raw, y * (stride + 1) + 1, y * stride, (y + 1) * stride);
  }
  const stream = deflateSync(raw, { level: 9 });
  if (stream.length < idatCount) throw new Error('image data too short to split');

  const chunks = [chunk('IHDR', ihdr)];
  if (metadata) {
    const phys = Buffer.alloc(9);
    phys.writeUInt32BE(2835, 0);
    phys.writeUInt32BE(2835, 4);
    phys[8] = 1;  // unit: metre
    chunks.push(chunk('sRGB', Buffer.from([0])), chunk('pHYs', phys), chunk('eXIf', exif()));
  }
  const part = Math.ceil(stream.length / idatCount);
  for (let i = 0; i < idatCount; ++i) chunks.push(chunk('IDAT', stream.subarray(i * part, (i + 1) * part)));
  chunks.push(chunk('IEND', Buffer.alloc(0)));
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), ...chunks]);
}

// A 32-bit icon image: BITMAPINFOHEADER (height counts the colour and mask halves), BGRA rows
// bottom-up, then the 1-bit AND mask, all clear since the alpha channel carries the shape.
function encodeDib(size, rgba) {
  const maskStride = Math.ceil(size / 32) * 4;
  const header = Buffer.alloc(40);
  header.writeUInt32LE(40, 0);
  header.writeInt32LE(size, 4);
  header.writeInt32LE(size * 2, 8);
  header.writeUInt16LE(1, 12);   // planes
  header.writeUInt16LE(32, 14);  // bits per pixel
  header.writeUInt32LE(0, 16);   // BI_RGB
  header.writeUInt32LE(size * size * 4 + maskStride * size, 20);
  const pixels = Buffer.alloc(size * size * 4);
  for (let y = 0; y < size; ++y) {
    for (let x = 0; x < size; ++x) {
      const from = (y * size + x) * 4;
      const to = ((size - 1 - y) * size + x) * 4;
      pixels[to] = rgba[from + 2];
      pixels[to + 1] = rgba[from + 1];
      pixels[to + 2] = rgba[from];
      pixels[to + 3] = rgba[from + 3];
    }
  }
  return Buffer.concat([header, pixels, Buffer.alloc(maskStride * size)]);
}

function encodeIco(images) {
  const dir = Buffer.alloc(6 + images.length * 16);
  dir.writeUInt16LE(0, 0);
  dir.writeUInt16LE(1, 2);  // type: icon
  dir.writeUInt16LE(images.length, 4);
  let offset = dir.length;
  images.forEach(({ size, data }, i) => {
    const at = 6 + i * 16;
    dir[at] = size % 256;  // 0 stands for 256
    dir[at + 1] = size % 256;
    dir.writeUInt16LE(1, at + 4);
    dir.writeUInt16LE(32, at + 6);
    dir.writeUInt32LE(data.length, at + 8);
    dir.writeUInt32LE(offset, at + 12);
    offset += data.length;
  });
  return Buffer.concat([dir, ...images.map((image) => image.data)]);
}

const LOGO_WIDTH = 360;
const LOGO_HEIGHT = 142;
const logo = rasterise(LOGO_WIDTH, LOGO_HEIGHT, [
  ...emblem(8, 11, 120),
  '-fill', INK, '-pointsize', '52', '-annotate', '+142+14', 'Brindle',
  '-fill', PRIMARY, '-pointsize', '52', '-annotate', '+142+70', 'Quay',
]);
writeFileSync(join(ROOT, 'ui/logo.png'),
              encodePng(LOGO_WIDTH, LOGO_HEIGHT, logo, { metadata: true, idatCount: 3 }));

const icons = [16, 32, 48, 64, 256].map((size) => {
  const rgba = rasterise(size, size, emblem(0, 0, size));
  const data = size === 256 ? encodePng(size, size, rgba, { metadata: false, idatCount: 1 }) : encodeDib(size, rgba);
  return { size, data };
});
writeFileSync(join(ROOT, 'resources/app.ico'), encodeIco(icons));
