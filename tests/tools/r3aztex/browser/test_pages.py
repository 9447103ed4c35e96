#!/usr/bin/env python3
"""The pages r3aztex writes (view, diff --html, convert --report), opened in
a real browser: Debian's chromium, headless, driven by chromedriver through
selenium.

    test_pages.py --tool build/release/bin/r3aztex --image SHARED.png --artifacts DIR

Checks, for each page: no console errors; every image decodes to the size
the page states; channel buttons and zoom change what the viewer draws; the
value readout at a known pixel shows that pixel; the diff page's figures are
those of `r3aztex diff --json`; the report's rows are worst PSNR first and
lead to their sections. A screenshot of each page goes to the artifacts
folder.
"""

import argparse
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print('FAIL: ' + message, file=sys.stderr)


def write_png(path, width, height, pixel):
    """An RGBA PNG whose pixel (x, y) is pixel(x, y); PNG as its standard
    lays it out (signature, IHDR, one IDAT, IEND)."""
    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))
    rows = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n' +
                  chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
                  chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))


# A float texture (16-bit floats) of the library's own test files.
FLOAT_DDS = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'r3az8', 'files', 'data',
                                         'pfim_16-bit-float.dds'))

# The generated picture: every pixel different, alpha falling to the right.
WIDTH, HEIGHT = 24, 16


def ramp(x, y):
    return (x * 10, y * 15, 255 - x * 5, 255 - x * 8)


def run(tool, *arguments):
    result = subprocess.run([tool] + list(arguments), capture_output=True, text=True)
    if result.returncode not in (0, 6):
        raise SystemExit('r3aztex %s failed (%d): %s' % (' '.join(arguments), result.returncode, result.stderr))
    return result.stdout


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which('chromium') or '/usr/bin/chromium'
    for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                 '--disable-background-networking', '--disable-component-update', '--disable-sync',
                 '--disable-dev-shm-usage', '--force-device-scale-factor=1', '--window-size=1280,1600',
                 '--user-data-dir=' + profile):
        options.add_argument(flag)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    service = Service(shutil.which('chromedriver') or '/usr/bin/chromedriver')
    return webdriver.Chrome(service=service, options=options)


def open_page(driver, path):
    driver.get('file://' + os.path.abspath(path))
    # Every viewer has its pictures once their PNGs are decoded.
    deadline = time.time() + 20
    while time.time() < deadline:
        ready = driver.execute_script(
            'const p = window.r3aztexPage;'
            'return !!p && p.viewers.every(v => v.shown.length > 0) &&'
            ' [...document.images].every(i => i.complete);')
        if ready:
            return
        time.sleep(0.05)
    check(False, path + ': the page did not finish drawing')


def check_console(driver, page):
    errors = [entry for entry in driver.get_log('browser') if entry['level'] == 'SEVERE']
    check(not errors, page + ': console errors: %s' % errors)


def check_images(driver, page):
    sizes = driver.execute_script(
        'return [...document.images].map(i => [i.naturalWidth, i.naturalHeight,'
        ' Number(i.dataset.width), Number(i.dataset.height)]);')
    check(len(sizes) > 0, page + ': no images')
    for natural_width, natural_height, width, height in sizes:
        check(natural_width == width and natural_height == height,
              '%s: an image decodes to %dx%d, the page says %dx%d' %
              (page, natural_width, natural_height, width, height))


def screenshot(driver, artifacts, name):
    height = driver.execute_script('return Math.min(document.body.scrollHeight, 6000);')
    driver.set_window_size(1280, max(height, 800))
    driver.execute_script('window.scrollTo(0, 0);')
    driver.save_screenshot(os.path.join(artifacts, name + '.png'))
    driver.set_window_size(1280, 1600)


# The viewer's canvas as one checksum, and one pixel of it.
CANVAS_SUM = ('const v = window.r3aztexPage.viewers[arguments[0]];'
              'const d = v.context.getImageData(0, 0, v.canvas.width, v.canvas.height).data;'
              'let s = 0; for (let i = 0; i < d.length; ++i) s = (s * 31 + d[i]) % 1000000007; return s;')
# The canvas point over the centre of picture pixel (x, y).
CANVAS_POINT = ('const v = window.r3aztexPage.viewers[arguments[0]];'
                'return [(arguments[1] + 0.5 - v.centreX) * v.zoom + v.canvas.width / 2,'
                '        (arguments[2] + 0.5 - v.centreY) * v.zoom + v.canvas.height / 2];')
CANVAS_PIXEL = ('const v = window.r3aztexPage.viewers[arguments[0]];'
                'return [...v.context.getImageData(Math.floor(arguments[1]), Math.floor(arguments[2]), 1, 1).data];')
POINT_AT = ('const v = window.r3aztexPage.viewers[arguments[0]];'
            'const box = v.canvas.getBoundingClientRect();'
            'v.canvas.dispatchEvent(new PointerEvent("pointermove", {bubbles: true,'
            ' clientX: box.left + arguments[1], clientY: box.top + arguments[2]}));'
            'return v.readout.textContent;')


def press(driver, viewer, keys):
    frame = driver.execute_script('return window.r3aztexPage.viewers[arguments[0]].frame;', viewer)
    frame.send_keys(keys)


def check_viewer(driver, page):
    """The first viewer shows the generated ramp: channels, zoom, readout."""
    before = driver.execute_script(CANVAS_SUM, 0)
    x, y = 5, 3
    point = driver.execute_script(CANVAS_POINT, 0, x, y)
    r, g, b, a = ramp(x, y)
    shown = driver.execute_script(CANVAS_PIXEL, 0, point[0], point[1])
    check(shown[:3] == [r, g, b], '%s: RGB at (%d, %d) drawn as %s, not %s' % (page, x, y, shown, (r, g, b)))
    press(driver, 0, '3')  # green as grey
    shown = driver.execute_script(CANVAS_PIXEL, 0, point[0], point[1])
    check(shown[:3] == [g, g, g], '%s: green channel drawn as %s, not grey %d' % (page, shown, g))
    check(driver.execute_script(CANVAS_SUM, 0) != before, page + ': key 3 changed nothing drawn')
    press(driver, 0, '5')  # alpha as grey
    shown = driver.execute_script(CANVAS_PIXEL, 0, point[0], point[1])
    check(shown[:3] == [a, a, a], '%s: alpha drawn as %s, not grey %d' % (page, shown, a))
    driver.execute_script('window.r3aztexPage.viewers[0].buttons.rgb.click();')
    check(driver.execute_script(CANVAS_SUM, 0) == before, page + ': the RGB button does not bring RGB back')
    zoom = driver.execute_script('return window.r3aztexPage.viewers[0].zoom;')
    press(driver, 0, '+')
    check(driver.execute_script('return window.r3aztexPage.viewers[0].zoom;') == zoom * 2,
          page + ': + did not zoom in')
    check(driver.execute_script(CANVAS_SUM, 0) != before, page + ': zooming changed nothing drawn')
    point = driver.execute_script(CANVAS_POINT, 0, x, y)
    text = driver.execute_script(POINT_AT, 0, point[0], point[1])
    # A comparison shows both textures' values, the first one's first.
    values = 'R %d  G %d  B %d  A %d' % (r, g, b, a)
    check(text.startswith('x %d, y %d:' % (x, y)) and values in text,
          '%s: readout %r, not the values %r of (%d, %d)' % (page, text, values, x, y))
    press(driver, 0, '0')


def check_float_viewer(driver, page, viewer):
    """A float texture: the exposure control changes what is drawn, and the
    readout gives the stored values, not bytes."""
    check(driver.execute_script('return window.r3aztexPage.viewers[arguments[0]].shown[0].float;', viewer),
          page + ': the float texture is not shown as floats')
    before = driver.execute_script(CANVAS_SUM, viewer)
    # The test file's red runs from 0 to 16128: twelve stops down bring the
    # first sixteen columns below 1.
    press(driver, viewer, 'E' * 24)
    check(driver.execute_script('return window.r3aztexPage.viewers[arguments[0]].exposure;', viewer) == -12,
          page + ': E did not lower the exposure')
    check(driver.execute_script(CANVAS_SUM, viewer) != before, page + ': the exposure changed nothing drawn')
    point = driver.execute_script(CANVAS_POINT, viewer, 10, 10)
    text = driver.execute_script(POINT_AT, viewer, point[0], point[1])
    check(text.startswith('x 10, y 10:') and '.' in text, '%s: float readout %r' % (page, text))


def check_cube(driver, page, viewer):
    """A cube map's grid holds every face and level; ] steps to the next."""
    labels = driver.execute_script(
        'return window.r3aztexPage.viewers[arguments[0]].sets[0].map(p => p.label);', viewer)
    check(len(labels) == 6 * 5 and labels[0] == 'face +x, level 0 (16x16)' and
          labels[-1] == 'face -z, level 4 (1x1)', '%s: cube pictures %s' % (page, labels))
    before = driver.execute_script(CANVAS_SUM, viewer)
    press(driver, viewer, ']')
    # The next picture is decoded before it is drawn: wait for it.
    deadline = time.time() + 5
    while True:
        caption = driver.execute_script('return window.r3aztexPage.viewers[arguments[0]].caption.textContent;',
                                        viewer)
        if caption.startswith('face +x, level 1') or time.time() > deadline:
            break
        time.sleep(0.02)
    check(caption.startswith('face +x, level 1 (8x8)'), '%s: after ], the caption is %r' % (page, caption))
    check(driver.execute_script(CANVAS_SUM, viewer) != before, page + ': ] changed nothing drawn')


def check_figures(driver, page, tool, first, second):
    expected = json.loads(run(tool, 'diff', first, second, '--json'))
    shown = driver.execute_script(
        'return Object.fromEntries([...document.querySelectorAll("td[data-figure]")]'
        '.map(c => [c.dataset.figure, JSON.parse(c.dataset.value)]));')
    count = 0
    for index, level in enumerate(expected['levels']):
        for channel, group in level.items():
            if not isinstance(group, dict):
                continue
            for name, value in group.items():
                key = '%d.%s.%s' % (index, channel, name)
                count += 1
                check(key in shown and shown[key] == value,
                      '%s: %s is %s on the page, %s in diff --json' % (page, key, shown.get(key), value))
    check(count == len(shown) and count > 0, '%s: %d figures on the page, %d from diff' % (page, len(shown), count))


def check_split_and_flip(driver, page):
    """Split shows one texture left and the other right; flip exchanges them."""
    split = driver.execute_script(CANVAS_SUM, 0)
    press(driver, 0, 'f')
    flipped = driver.execute_script(CANVAS_SUM, 0)
    check(flipped != split, page + ': flip changed nothing drawn')
    press(driver, 0, 'f')
    check(driver.execute_script(CANVAS_SUM, 0) == split, page + ': flipping twice is not where it started')
    # Dragging the divider a quarter of the width to the left.
    moved = driver.execute_script(
        'const v = window.r3aztexPage.viewers[0]; const box = v.canvas.getBoundingClientRect();'
        'const at = (x) => ({bubbles: true, pointerId: 1, buttons: 1, clientX: box.left + x,'
        ' clientY: box.top + v.canvas.height / 2});'
        'v.canvas.dispatchEvent(new PointerEvent("pointerdown", at(v.canvas.width / 2)));'
        'v.canvas.dispatchEvent(new PointerEvent("pointermove", at(v.canvas.width / 4)));'
        'v.canvas.dispatchEvent(new PointerEvent("pointerup", at(v.canvas.width / 4)));'
        'return v.divider;')
    check(moved == 0.25, '%s: the divider dragged to a quarter is at %s' % (page, moved))
    check(driver.execute_script(CANVAS_SUM, 0) != split, page + ': moving the divider changed nothing drawn')


def check_report(driver, page, count):
    rows = driver.execute_script(
        'return [...document.querySelectorAll("table.conversions tr")].slice(1).map(r => {'
        ' const p = r.querySelector("[data-psnr]"); const a = r.querySelector("a");'
        ' return [JSON.parse(p.dataset.psnr), a ? a.getAttribute("href") : null]; });')
    check(len(rows) == count, '%s: %d rows, not %d' % (page, len(rows), count))
    psnrs = [math.inf if p == 'inf' else p for p, _ in rows if p is not None]
    check(psnrs == sorted(psnrs), '%s: rows not worst PSNR first: %s' % (page, psnrs))
    for _, link in rows:
        check(link is not None and driver.execute_script(
            'return !!document.getElementById(arguments[0]);', link[1:]), '%s: row link %s leads nowhere' % (page, link))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--image', required=True, help='one shared picture')
    parser.add_argument('--artifacts', required=True)
    arguments = parser.parse_args()
    os.makedirs(arguments.artifacts, exist_ok=True)
    tool = arguments.tool
    with tempfile.TemporaryDirectory(prefix='r3aztex-pages-') as work:
        ramp_png = os.path.join(work, 'ramp.png')
        write_png(ramp_png, WIDTH, HEIGHT, ramp)
        shared = os.path.join(work, os.path.basename(arguments.image))
        shutil.copyfile(arguments.image, shared)
        ramp_dds = os.path.join(work, 'ramp.dds')
        run(tool, 'convert', ramp_png, '-o', ramp_dds, '--format', 'dxt5', '-q')
        shared_dds = os.path.join(work, 'shared.dds')
        run(tool, 'convert', shared, '-o', shared_dds, '-q')

        # A cube map of six faces, each the ramp in one colour channel order.
        faces = []
        for face in range(6):
            path = os.path.join(work, 'face%d.png' % face)
            write_png(path, 16, 16, lambda x, y, f=face: tuple(ramp(x, y)[(i + f) % 3] for i in range(3)) + (255,))
            faces.append(path)
        cube_dds = os.path.join(work, 'cube.dds')
        run(tool, 'convert', '--cube', *faces, '-o', cube_dds, '-q')
        view_page = os.path.join(work, 'view.html')
        run(tool, 'view', ramp_png, ramp_dds, shared, FLOAT_DDS, cube_dds, '-o', view_page, '-q')
        diff_page = os.path.join(work, 'diff.html')
        run(tool, 'diff', ramp_png, ramp_dds, '--html', diff_page, '-q')
        shared_diff_page = os.path.join(work, 'diff-shared.html')
        run(tool, 'diff', shared, shared_dds, '--html', shared_diff_page, '-q')
        float_dds = os.path.join(work, 'float.dds')
        run(tool, 'convert', FLOAT_DDS, '-o', float_dds, '--format', 'bc6h', '-q')
        float_diff_page = os.path.join(work, 'diff-float.html')
        run(tool, 'diff', FLOAT_DDS, float_dds, '--html', float_diff_page, '-q')
        report_page = os.path.join(work, 'report.html')
        run(tool, 'convert', ramp_png, shared, '--outdir', os.path.join(work, 'out'), '--report', report_page,
            '-q')

        driver = start_browser(os.path.join(work, 'profile'))
        try:
            for name, path in (('view', view_page), ('diff', diff_page), ('diff-shared', shared_diff_page), ('diff-float', float_diff_page),
                               ('report', report_page)):
                open_page(driver, path)
                check_console(driver, name)
                check_images(driver, name)
                if name == 'view':
                    check_viewer(driver, name)
                    check_float_viewer(driver, name, 3)
                    check_cube(driver, name, 4)
                if name == 'diff':
                    check_viewer(driver, name)
                    check_split_and_flip(driver, name)
                    check_figures(driver, name, tool, ramp_png, ramp_dds)
                if name == 'diff-shared':
                    check_figures(driver, name, tool, shared, shared_dds)
                if name == 'diff-float':
                    check_figures(driver, name, tool, FLOAT_DDS, float_dds)
                if name == 'report':
                    check_report(driver, name, 2)
                check_console(driver, name)
                screenshot(driver, arguments.artifacts, name)
        finally:
            driver.quit()
    if FAILURES:
        print('%d checks failed' % len(FAILURES), file=sys.stderr)
        return 1
    print('pages checked; screenshots in ' + arguments.artifacts)
    return 0


if __name__ == '__main__':
    sys.exit(main())
