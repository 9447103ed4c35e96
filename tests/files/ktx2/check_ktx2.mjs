// Reads KTX2 files with ktx-parse (npm), an outside reader, and checks on
// what it parses the rules it does not check itself: level order, sizes,
// alignment and the end of the file, sorted keys, and a descriptor that
// agrees with the vkFormat's name. One line per file: "ok FILE VKNAME" or
// "fail FILE: reason"; the exit code is 1 when any file fails. Each file
// that passes is also written again by ktx-parse's own writer, to
// FILE.ktx-parse, for our reader to read a file another writer laid out.
//
//   node check_ktx2.mjs NODE_MODULES_DIR FILE...
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const [modules, ...files] = process.argv.slice(2);
const resolve = createRequire(modules + '/').resolve;
let entry;
try {
    entry = resolve('ktx-parse');
} catch {
    // The package's exports name only an ES module; find its file by hand.
    entry = modules + '/ktx-parse/dist/index.mjs';
}
const ktx = await import(pathToFileURL(entry).href);

const nameOf = (vkFormat) =>
    Object.keys(ktx).find((key) => key.startsWith('VK_FORMAT_') && ktx[key] === vkFormat);
const gcd = (a, b) => (b === 0 ? a : gcd(b, a % b));
const lcm = (a, b) => (a * b) / gcd(a, b);

// The colour model a VkFormat's descriptor gives (Khronos Data Format
// Specification: RGBSDA 1, BC1A..BC7 128..134, ASTC 162).
function modelOf(name) {
    const block = /^VK_FORMAT_BC(\d)/.exec(name);
    if (block) return 127 + Number(block[1]);
    return name.startsWith('VK_FORMAT_ASTC') ? 162 : 1;
}

function check(path) {
    const bytes = new Uint8Array(readFileSync(path));
    const c = ktx.read(bytes);
    const name = nameOf(c.vkFormat);
    if (!name) throw new Error(`vkFormat ${c.vkFormat} has no name in ktx-parse`);
    const dfd = c.dataFormatDescriptor[0];
    if (dfd.colorModel !== modelOf(name)) throw new Error(`colour model ${dfd.colorModel} for ${name}`);
    const srgb = name.includes('_SRGB');
    if ((dfd.transferFunction === ktx.KHR_DF_TRANSFER_SRGB) !== srgb)
        throw new Error(`transfer function ${dfd.transferFunction} for ${name}`);
    const [bw, bh] = dfd.texelBlockDimension.map((d) => d + 1);
    const block = /BC(\d)|ASTC_(\d+)x(\d+)/.exec(name);
    const wantedBlock = block ? (block[1] ? [4, 4] : [Number(block[2]), Number(block[3])]) : [1, 1];
    if (bw !== wantedBlock[0] || bh !== wantedBlock[1]) throw new Error(`texel block ${bw}x${bh} for ${name}`);

    const keys = Object.keys(c.keyValue);
    const sorted = [...keys].sort((a, b) => (Buffer.from(a) < Buffer.from(b) ? -1 : 1));
    if (keys.join() !== sorted.join()) throw new Error(`keys out of order: ${keys.join(', ')}`);
    const orientation = c.keyValue.KTXorientation;
    if (orientation !== (c.pixelDepth > 0 ? 'rdi' : 'rd')) throw new Error(`KTXorientation ${orientation}`);
    if (!String(c.keyValue.KTXwriter).startsWith('r3az8tex')) throw new Error(`KTXwriter ${c.keyValue.KTXwriter}`);

    const zstd = c.supercompressionScheme === ktx.KHR_SUPERCOMPRESSION_ZSTD;
    if (!zstd && c.supercompressionScheme !== ktx.KHR_SUPERCOMPRESSION_NONE)
        throw new Error(`supercompression ${c.supercompressionScheme}`);
    if (c.levels.length !== Math.max(c.levelCount, 1)) throw new Error('level count');
    const unit = dfd.bytesPlane[0];
    if (zstd ? unit !== 0 : unit === 0) throw new Error(`bytesPlane0 ${unit}`);
    const alignment = zstd ? 1 : lcm(unit, 4);
    const faces = c.faceCount, layers = Math.max(c.layerCount, 1);
    let end = bytes.length;
    // Level 0 ends the file; each smaller level ends where the next larger
    // one's alignment begins.
    c.levels.forEach((level, i) => {
        const offset = level.levelData.byteOffset - bytes.byteOffset;
        const length = level.levelData.byteLength;
        if (offset % alignment !== 0) throw new Error(`level ${i} at ${offset}, not a multiple of ${alignment}`);
        const gap = end - (offset + length);
        if (gap < 0 || (i === 0 ? gap !== 0 : gap >= alignment))
            throw new Error(`level ${i} ends at ${offset + length}, the next begins at ${end}`);
        end = offset;
        const side = (s) => Math.max(1, s >> i);
        const blocks = Math.ceil(side(c.pixelWidth) / bw) * Math.ceil(side(c.pixelHeight) / bh);
        const depth = c.pixelDepth > 0 ? side(c.pixelDepth) : 1;
        if (!zstd) {
            const wanted = blocks * depth * faces * layers * unit;
            if (length !== wanted || level.uncompressedByteLength !== wanted)
                throw new Error(`level ${i} of ${length} bytes, not ${wanted}`);
        }
    });
    return name.replace('VK_FORMAT_', '');
}

let failed = false;
for (const path of files) {
    try {
        const name = check(path);
        writeFileSync(`${path}.ktx-parse`, ktx.write(ktx.read(new Uint8Array(readFileSync(path)))));
        console.log(`ok ${path} ${name}`);
    } catch (error) {
        failed = true;
        console.log(`fail ${path}: ${error.message}`);
    }
}
process.exit(failed ? 1 : 0);
