// r3aztex pages: builds the sections from the JSON r3aztex wrote into the
// page (see tools/r3aztex/page/page_sections.h for its shape) and draws the
// pictures with nearest-neighbour zoom, by channel, with the values under
// the pointer. Plain script, nothing fetched: the page works offline.
'use strict';

(function () {
  const data = JSON.parse(document.getElementById('page-data').textContent);
  const root = document.getElementById('sections');
  document.getElementById('page-title').textContent = document.title;

  const kChannels = [
    {key: '1', name: 'rgb', label: 'RGB'},
    {key: '2', name: 'r', label: 'R'},
    {key: '3', name: 'g', label: 'G'},
    {key: '4', name: 'b', label: 'B'},
    {key: '5', name: 'alpha', label: 'Alpha'},
    {key: '6', name: 'over', label: 'Alpha over checkerboard'},
  ];
  const kZooms = [1 / 16, 1 / 8, 1 / 4, 1 / 2, 1, 2, 4, 8, 16, 32, 64];
  // From this zoom on, every 4x4 block is outlined.
  const kBlockGridZoom = 8;
  const kViewWidth = 768;
  const kViewHeight = 480;
  const kCheckSquare = 8;
  // Float textures hold anything from tiny to huge values: the exposure
  // goes this many stops either way.
  const kExposureStops = 20;
  // Boxes, in CSS pixels, of the grid's pictures, the heat map and the
  // report's thumbnails.
  const kGridBox = 96;
  const kHeatMapBox = 384;
  const kThumbnailBox = 96;

  function make(tag, attributes, text) {
    const element = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {}))
      element.setAttribute(name, value);
    if (text !== undefined)
      element.textContent = text;
    return element;
  }

  // The picture's longer side shown `box` pixels long: every level of a
  // chain fills the same box, its pixels drawn as squares (pixelated).
  function boxed(element, width, height, box) {
    const scale = box / Math.max(width, height);
    element.style.width = Math.max(1, Math.round(width * scale)) + 'px';
    element.style.height = Math.max(1, Math.round(height * scale)) + 'px';
    return element;
  }

  function zoomText(zoom) {
    return zoom >= 1 ? zoom + '\u00d7' : '1/' + Math.round(1 / zoom) + '\u00d7';
  }

  // ---- Pixels of a picture: 8-bit PNGs read back from a canvas (colour
  // and alpha apart, so that nothing is premultiplied), floats from half
  // floats.

  function decodeImage(uri) {
    const image = new Image();
    image.src = uri;
    return image.decode().then(() => image);
  }

  function imagePixels(image, width, height) {
    const canvas = make('canvas', {width: width, height: height});
    const context = canvas.getContext('2d', {willReadFrequently: true});
    context.drawImage(image, 0, 0);
    return context.getImageData(0, 0, width, height).data;
  }

  function halfToFloat(bits) {
    const sign = bits & 0x8000 ? -1 : 1;
    const exponent = (bits >> 10) & 31;
    const fraction = bits & 1023;
    if (exponent === 0)
      return sign * fraction * Math.pow(2, -24);
    if (exponent === 31)
      return fraction ? NaN : sign * Infinity;
    return sign * (1 + fraction / 1024) * Math.pow(2, exponent - 15);
  }

  function halfPixels(base64, count) {
    const text = atob(base64);
    const values = new Float32Array(count * 4);
    for (let i = 0; i < values.length; ++i)
      values[i] = halfToFloat(text.charCodeAt(2 * i) | (text.charCodeAt(2 * i + 1) << 8));
    return values;
  }

  // {width, height, float, values (RGBA)}, made once per picture.
  function loadPixels(picture) {
    if (picture.pixels)
      return picture.pixels;
    const width = picture.shownWidth, height = picture.shownHeight;
    if (picture.half !== null) {
      picture.pixels = Promise.resolve(
          {width: width, height: height, float: true, values: halfPixels(picture.half, width * height)});
      return picture.pixels;
    }
    const images = [decodeImage(picture.colour)];
    if (picture.alpha !== null)
      images.push(decodeImage(picture.alpha));
    picture.pixels = Promise.all(images).then(([colour, alpha]) => {
      const values = new Uint8ClampedArray(imagePixels(colour, width, height));
      if (alpha) {
        const grey = imagePixels(alpha, width, height);
        for (let i = 3; i < values.length; i += 4)
          values[i] = grey[i - 1];
      }
      return {width: width, height: height, float: false, values: values};
    });
    return picture.pixels;
  }

  // ---- Drawing.

  function srgbByte(linear) {
    const v = linear <= 0 ? 0 : linear >= 1 ? 1 : linear;
    const encoded = v <= 0.0031308 ? v * 12.92 : 1.055 * Math.pow(v, 1 / 2.4) - 0.055;
    return Math.round(encoded * 255);
  }

  // The displayed [r, g, b] of a pixel in a channel mode, on a checkerboard
  // square `light` where alpha shows through.
  function shade(pixels, index, state, light) {
    const v = pixels.values;
    let r = v[index], g = v[index + 1], b = v[index + 2], a = v[index + 3];
    if (pixels.float) {
      const scale = Math.pow(2, state.exposure);
      r = srgbByte(r * scale);
      g = srgbByte(g * scale);
      b = srgbByte(b * scale);
      a = Math.round(Math.min(Math.max(a, 0), 1) * 255);
    }
    switch (state.channel) {
      case 'r': return [r, r, r];
      case 'g': return [g, g, g];
      case 'b': return [b, b, b];
      case 'alpha': return [a, a, a];
      case 'over': {
        const back = light ? 216 : 168;
        const t = a / 255;
        return [r * t + back * (1 - t), g * t + back * (1 - t), b * t + back * (1 - t)];
      }
      default: return [r, g, b];
    }
  }

  function valueText(pixels, x, y) {
    const i = (y * pixels.width + x) * 4;
    const v = pixels.values;
    const show = pixels.float ? (n) => n.toPrecision(5) : (n) => String(n);
    return 'R ' + show(v[i]) + '  G ' + show(v[i + 1]) + '  B ' + show(v[i + 2]) + '  A ' + show(v[i + 3]);
  }

  // ---- A viewer: one picture, or two compared (split or flipped) at one
  // zoom and position.

  class Viewer {
    constructor(container, sets, names) {
      this.sets = sets; // one or two lists of pictures, matched by index
      this.names = names;
      this.index = 0;
      this.zoom = 1;
      this.centreX = 0;
      this.centreY = 0;
      this.channel = 'rgb';
      this.exposure = 0;
      this.split = sets.length > 1;
      this.divider = 0.5;
      this.flipped = false;
      this.pointer = null;
      this.shown = [];
      this.buttons = {};
      this.build(container);
    }

    build(container) {
      const toolbar = make('div', {class: 'toolbar', role: 'toolbar', 'aria-label': 'View controls'});
      for (const channel of kChannels) {
        const button = make('button', {type: 'button', 'aria-pressed': String(channel.name === this.channel),
                                       'data-channel': channel.name, title: 'key ' + channel.key,
                                       'aria-label': 'Show ' + channel.label}, channel.label);
        button.addEventListener('click', () => this.setChannel(channel.name));
        toolbar.append(button);
        this.buttons[channel.name] = button;
      }
      const zoomOut = make('button', {type: 'button', 'aria-label': 'Zoom out', title: 'key -'}, '\u2212');
      const zoomIn = make('button', {type: 'button', 'aria-label': 'Zoom in', title: 'key +'}, '+');
      const fit = make('button', {type: 'button', 'aria-label': 'Fit the picture', title: 'key 0'}, 'Fit');
      zoomOut.addEventListener('click', () => this.stepZoom(-1));
      zoomIn.addEventListener('click', () => this.stepZoom(1));
      fit.addEventListener('click', () => this.fit());
      this.zoomLabel = make('span', {class: 'zoom-text', 'aria-live': 'polite'});
      toolbar.append(zoomOut, this.zoomLabel, zoomIn, fit);
      if (this.sets.length > 1) {
        const split = make('button', {type: 'button', 'aria-pressed': 'true', 'aria-label': 'Split view',
                                      title: 'key s'}, 'Split');
        const flip = make('button', {type: 'button', 'aria-pressed': 'false', 'aria-label': 'Flip the textures',
                                     title: 'key f'}, 'Flip');
        split.addEventListener('click', () => this.toggleSplit());
        flip.addEventListener('click', () => this.flip());
        toolbar.append(split, flip);
        this.buttons.split = split;
        this.buttons.flip = flip;
      }
      this.exposureControl = make('label', {hidden: ''}, 'Exposure ');
      this.exposureInput = make('input', {type: 'range', min: String(-kExposureStops), max: String(kExposureStops),
                                          step: '0.5', value: '0',
                                          'aria-label': 'Exposure in stops'});
      this.exposureText = make('span', {}, ' 0 stops');
      this.exposureInput.addEventListener('input', () => this.setExposure(Number(this.exposureInput.value)));
      this.exposureControl.append(this.exposureInput, this.exposureText);
      toolbar.append(this.exposureControl);

      this.frame = make('div', {class: 'viewer', tabindex: '0', role: 'img',
                                'aria-label': 'Picture viewer: + and - zoom, arrow keys pan, 1 to 6 channels'});
      this.canvas = make('canvas', {width: kViewWidth, height: kViewHeight});
      this.context = this.canvas.getContext('2d', {willReadFrequently: true});
      this.frame.append(this.canvas);
      this.caption = make('p', {class: 'note'});
      this.readout = make('div', {class: 'readout', 'aria-live': 'off'});
      container.append(toolbar, this.frame, this.caption, this.readout);

      this.frame.addEventListener('keydown', (event) => this.key(event));
      this.canvas.addEventListener('pointermove', (event) => this.move(event));
      this.canvas.addEventListener('pointerdown', (event) => this.press(event));
      this.canvas.addEventListener('pointerup', () => { this.drag = null; });
      this.canvas.addEventListener('pointerleave', () => { this.pointer = null; this.showReadout(); });
      this.canvas.addEventListener('wheel', (event) => {
        event.preventDefault();
        this.stepZoom(event.deltaY < 0 ? 1 : -1);
      }, {passive: false});
    }

    // The pictures of index `index` (one per texture) and their pixels.
    select(index) {
      this.index = index;
      const pictures = this.sets.map((set) => set[index]).filter((p) => p !== undefined);
      return Promise.all(pictures.map(loadPixels)).then((pixels) => {
        this.shown = pixels;
        const first = pictures[0];
        const reduced = first.shownWidth !== first.width;
        this.caption.textContent = first.label +
            (reduced ? '; shown at ' + first.shownWidth + '\u00d7' + first.shownHeight +
                       ' (downscaled: larger than the page inlines at full size)' : '') +
            (pictures.length < this.sets.length ? '; only the first texture has this picture' : '');
        this.exposureControl.hidden = !pixels.some((p) => p.float);
        this.fit();
        this.frame.dispatchEvent(new CustomEvent('picture', {detail: index}));
      });
    }

    fit() {
      const pixels = this.shown[0];
      if (!pixels)
        return;
      let zoom = kZooms[0];
      for (const step of kZooms)
        if (pixels.width * step <= kViewWidth && pixels.height * step <= kViewHeight)
          zoom = step;
      this.zoom = zoom;
      this.centreX = pixels.width / 2;
      this.centreY = pixels.height / 2;
      this.draw();
    }

    stepZoom(direction) {
      const at = kZooms.indexOf(this.zoom);
      this.zoom = kZooms[Math.min(Math.max(at + direction, 0), kZooms.length - 1)];
      this.draw();
    }

    pan(dx, dy) {
      this.centreX += dx / this.zoom;
      this.centreY += dy / this.zoom;
      this.draw();
    }

    setChannel(name) {
      this.channel = name;
      for (const channel of kChannels)
        this.buttons[channel.name].setAttribute('aria-pressed', String(channel.name === name));
      this.draw();
    }

    setExposure(stops) {
      this.exposure = stops;
      this.exposureInput.value = String(stops);
      this.exposureText.textContent = ' ' + stops + ' stops';
      this.draw();
    }

    toggleSplit() {
      this.split = !this.split;
      this.buttons.split.setAttribute('aria-pressed', String(this.split));
      this.draw();
    }

    flip() {
      this.flipped = !this.flipped;
      this.buttons.flip.setAttribute('aria-pressed', String(this.flipped));
      this.draw();
    }

    key(event) {
      const step = 64;
      const actions = {
        '+': () => this.stepZoom(1), '=': () => this.stepZoom(1), '-': () => this.stepZoom(-1),
        'ArrowLeft': () => this.pan(-step, 0), 'ArrowRight': () => this.pan(step, 0),
        'ArrowUp': () => this.pan(0, -step), 'ArrowDown': () => this.pan(0, step),
        '0': () => this.fit(),
        'e': () => this.setExposure(Math.min(this.exposure + 0.5, kExposureStops)),
        'E': () => this.setExposure(Math.max(this.exposure - 0.5, -kExposureStops)),
        '[': () => this.select(Math.max(this.index - 1, 0)),
        ']': () => this.select(Math.min(this.index + 1, this.sets[0].length - 1)),
      };
      for (const channel of kChannels)
        actions[channel.key] = () => this.setChannel(channel.name);
      if (this.sets.length > 1) {
        actions.f = () => this.flip();
        actions.s = () => this.toggleSplit();
      }
      const action = actions[event.key];
      if (action && !event.ctrlKey && !event.metaKey && !event.altKey) {
        event.preventDefault();
        action();
      }
    }

    // Canvas position to picture pixel.
    sourceAt(x, y) {
      return [Math.floor(this.centreX + (x - kViewWidth / 2) / this.zoom),
              Math.floor(this.centreY + (y - kViewHeight / 2) / this.zoom)];
    }

    canvasPoint(event) {
      const box = this.canvas.getBoundingClientRect();
      return [(event.clientX - box.left) * kViewWidth / box.width,
              (event.clientY - box.top) * kViewHeight / box.height];
    }

    press(event) {
      this.frame.focus();
      const [x, y] = this.canvasPoint(event);
      const onDivider = this.shown.length > 1 && this.split && Math.abs(x - this.divider * kViewWidth) < 8;
      this.drag = {divider: onDivider, x: x, y: y};
      this.canvas.setPointerCapture(event.pointerId);
    }

    move(event) {
      const [x, y] = this.canvasPoint(event);
      if (this.drag && event.buttons) {
        if (this.drag.divider) {
          this.divider = Math.min(Math.max(x / kViewWidth, 0), 1);
          this.draw();
        } else {
          this.pan(this.drag.x - x, this.drag.y - y);
          this.drag.x = x;
          this.drag.y = y;
        }
      }
      this.pointer = [x, y];
      this.showReadout();
    }

    // Which texture is drawn at canvas column x: 0 or 1.
    sideAt(x) {
      if (this.shown.length < 2)
        return 0;
      const side = this.split ? (x < this.divider * kViewWidth ? 0 : 1) : 0;
      return this.flipped ? 1 - side : side;
    }

    showReadout() {
      if (!this.pointer || this.shown.length === 0) {
        this.readout.textContent = '';
        return;
      }
      const [sx, sy] = this.sourceAt(this.pointer[0], this.pointer[1]);
      const first = this.shown[0];
      if (sx < 0 || sy < 0 || sx >= first.width || sy >= first.height) {
        this.readout.textContent = '';
        return;
      }
      let text = 'x ' + sx + ', y ' + sy + ':';
      if (this.shown.length === 1)
        text += '  ' + valueText(first, sx, sy);
      else
        this.shown.forEach((pixels, i) => { text += '\n  ' + this.names[i] + ': ' + valueText(pixels, sx, sy); });
      this.readout.textContent = text;
    }

    draw() {
      this.zoomLabel.textContent = zoomText(this.zoom);
      const image = this.context.createImageData(kViewWidth, kViewHeight);
      const out = image.data;
      const state = {channel: this.channel, exposure: this.exposure};
      for (let y = 0; y < kViewHeight; ++y) {
        for (let x = 0; x < kViewWidth; ++x) {
          const pixels = this.shown[this.sideAt(x)];
          if (!pixels)
            continue;
          const [sx, sy] = this.sourceAt(x + 0.5, y + 0.5);
          if (sx < 0 || sy < 0 || sx >= pixels.width || sy >= pixels.height)
            continue; // transparent: the page shows through
          const light = ((Math.floor(x / kCheckSquare) + Math.floor(y / kCheckSquare)) & 1) === 0;
          const [r, g, b] = shade(pixels, (sy * pixels.width + sx) * 4, state, light);
          const o = (y * kViewWidth + x) * 4;
          out[o] = r;
          out[o + 1] = g;
          out[o + 2] = b;
          out[o + 3] = 255;
        }
      }
      this.context.putImageData(image, 0, 0);
      if (this.zoom >= kBlockGridZoom)
        this.drawBlockGrid();
      if (this.shown.length > 1 && this.split) {
        const x = Math.round(this.divider * kViewWidth) + 0.5;
        this.context.strokeStyle = 'rgba(255, 255, 255, 0.9)';
        this.context.lineWidth = 1;
        this.context.beginPath();
        this.context.moveTo(x, 0);
        this.context.lineTo(x, kViewHeight);
        this.context.stroke();
        this.context.fillStyle = 'rgba(0, 0, 0, 0.6)';
        this.context.fillRect(x - 4, kViewHeight / 2 - 12, 8, 24);
      }
      this.showReadout();
      this.frame.dispatchEvent(new CustomEvent('drawn'));
    }

    drawBlockGrid() {
      const pixels = this.shown[0];
      const step = 4 * this.zoom;
      const left = kViewWidth / 2 - this.centreX * this.zoom;
      const top = kViewHeight / 2 - this.centreY * this.zoom;
      const right = left + pixels.width * this.zoom, bottom = top + pixels.height * this.zoom;
      this.context.strokeStyle = 'rgba(128, 128, 128, 0.6)';
      this.context.lineWidth = 1;
      this.context.beginPath();
      for (let x = left; x <= right; x += step) {
        if (x < 0 || x > kViewWidth)
          continue;
        this.context.moveTo(Math.round(x) + 0.5, Math.max(top, 0));
        this.context.lineTo(Math.round(x) + 0.5, Math.min(bottom, kViewHeight));
      }
      for (let y = top; y <= bottom; y += step) {
        if (y < 0 || y > kViewHeight)
          continue;
        this.context.moveTo(Math.max(left, 0), Math.round(y) + 0.5);
        this.context.lineTo(Math.min(right, kViewWidth), Math.round(y) + 0.5);
      }
      this.context.stroke();
    }
  }

  // ---- Sections.

  // A grid of every picture of a texture; choosing one shows it in the
  // viewer.
  function pictureGrid(container, title, pictures, viewer) {
    container.append(make('p', {class: 'grid-title'}, title));
    const grid = make('div', {class: 'grid', role: 'list'});
    const figures = pictures.map((picture, index) => {
      const figure = make('figure', {tabindex: '0', role: 'listitem', 'aria-label': picture.label});
      if (picture.colour !== null) {
        const image = make('img', {src: picture.colour, alt: picture.label, 'data-width': picture.shownWidth,
                                   'data-height': picture.shownHeight});
        figure.append(boxed(image, picture.shownWidth, picture.shownHeight, kGridBox));
        if (picture.alpha !== null)
          figure.append(make('img', {src: picture.alpha, alt: picture.label + ', alpha', hidden: '',
                                     'data-width': picture.shownWidth, 'data-height': picture.shownHeight}));
      } else {
        const canvas = make('canvas', {width: picture.shownWidth, height: picture.shownHeight,
                                       'aria-label': picture.label});
        figure.append(boxed(canvas, picture.shownWidth, picture.shownHeight, kGridBox));
        loadPixels(picture).then((pixels) => {
          const context = canvas.getContext('2d');
          const image = context.createImageData(pixels.width, pixels.height);
          for (let i = 0; i < pixels.width * pixels.height * 4; i += 4) {
            const [r, g, b] = shade(pixels, i, {channel: 'rgb', exposure: 0}, true);
            image.data.set([r, g, b, 255], i);
          }
          context.putImageData(image, 0, 0);
        });
      }
      figure.append(make('figcaption', {}, picture.label));
      const choose = () => { viewer.select(index); viewer.frame.focus(); };
      figure.addEventListener('click', choose);
      figure.addEventListener('keydown', (event) => {
        if (event.key === 'Enter' || event.key === ' ') {
          event.preventDefault();
          choose();
        }
      });
      grid.append(figure);
      return figure;
    });
    viewer.frame.addEventListener('picture', (event) => {
      figures.forEach((figure, index) => figure.setAttribute('aria-current', String(index === event.detail)));
    });
    container.append(grid);
  }

  function reducedNote(texture) {
    return texture.reduced
        ? 'Pictures larger than the page inlines at full size (2048\u00d72048 pixels, 1024\u00d71024 for floats) ' +
          'are shown downscaled by halves; the readout gives the shown pixels.'
        : '';
  }

  function textureSection(section) {
    const element = make('section', {class: 'texture', id: section.id, 'aria-labelledby': section.id + '-title'});
    element.append(make('h2', {id: section.id + '-title'}, section.title),
                   make('p', {class: 'header-line'}, section.file.header));
    const note = reducedNote(section.file.texture);
    if (note)
      element.append(make('p', {class: 'note'}, note));
    const viewer = new Viewer(element, [section.file.texture.pictures], [section.title]);
    pictureGrid(element, 'Levels, faces and slices', section.file.texture.pictures, viewer);
    root.append(element);
    viewer.select(0);
    return viewer;
  }

  // Decimals per figure, as diff prints them; others get four.
  const kFigureDecimals = {rmse: 3, psnr: 2, ssim: 4, log2_rmse: 4, tone_mapped_psnr: 2, mean: 3, largest: 3};
  const kFigureTitles = {rmse: 'RMSE', psnr: 'PSNR (dB)', ssim: 'SSIM', log2_rmse: 'log2 RMSE',
                         tone_mapped_psnr: 'tone-mapped PSNR (dB)', mean: 'mean (degrees)',
                         largest: 'largest (degrees)'};

  function figureNumber(value, name) {
    return value === null ? 'inf' : value.toFixed(name in kFigureDecimals ? kFigureDecimals[name] : 4);
  }

  // The figures of `diff --json`, whatever they are: per level (and face),
  // one row per member that is an object (a channel, or the normals'
  // angle), one column per number in it.
  function figuresTable(figures) {
    const isGroup = (value) => value !== null && typeof value === 'object';
    const columns = [];
    for (const level of figures.levels)
      for (const group of Object.values(level).filter(isGroup))
        for (const name of Object.keys(group))
          if (!columns.includes(name))
            columns.push(name);
    const table = make('table', {class: 'figures'});
    const head = make('tr');
    for (const title of ['where', 'size', 'channel'].concat(columns.map((c) => kFigureTitles[c] || c)))
      head.append(make('th', {scope: 'col', class: title === 'where' ? 'name' : ''}, title));
    table.append(head);
    const faces = ['+x', '-x', '+y', '-y', '+z', '-z'];
    const several = figures.levels.some((level) => level.face > 0);
    figures.levels.forEach((level, index) => {
      const where = (several ? 'face ' + faces[level.face] + ', ' : '') + 'level ' + level.level;
      let first = true;
      for (const [channel, group] of Object.entries(level).filter(([, value]) => isGroup(value))) {
        const row = make('tr');
        row.append(make('td', {class: 'name'}, first ? where : ''),
                   make('td', {}, first ? level.width + '\u00d7' + level.height : ''),
                   make('td', {}, channel.replace('_', ' ')));
        for (const name of columns)
          row.append(name in group
                         ? make('td', {'data-figure': index + '.' + channel + '.' + name,
                                       'data-value': JSON.stringify(group[name])},
                                figureNumber(group[name], name))
                         : make('td'));
        table.append(row);
        first = false;
      }
    });
    return table;
  }

  function diffSection(section) {
    const element = make('section', {class: 'diff', id: section.id, 'aria-labelledby': section.id + '-title'});
    element.append(make('h2', {id: section.id + '-title'}, section.title),
                   make('p', {class: 'header-line'}, section.first.title + ': ' + section.first.header),
                   make('p', {class: 'header-line'}, section.second.title + ': ' + section.second.header));
    const note = reducedNote(section.first.texture) || reducedNote(section.second.texture);
    if (note)
      element.append(make('p', {class: 'note'}, note));
    element.append(make('p', {class: 'note'}, 'Split: ' + section.first.title + ' left of the divider, ' +
                                              section.second.title + ' right; flip exchanges them.'));
    const viewer = new Viewer(element, [section.first.texture.pictures, section.second.texture.pictures],
                              [section.first.title, section.second.title]);
    pictureGrid(element, section.first.title, section.first.texture.pictures, viewer);
    pictureGrid(element, section.second.title, section.second.texture.pictures, viewer);

    const heatMap = section.heatMap;
    element.append(make('h3', {}, 'Error heat map of level 0' +
                            (heatMap.shownWidth !== heatMap.width
                                 ? ' (downscaled from ' + heatMap.width + '\u00d7' + heatMap.height + ')' : '')));
    const heat = make('div', {class: 'heat'});
    heat.append(boxed(make('img', {src: heatMap.uri, 'data-width': heatMap.shownWidth,
                                   'data-height': heatMap.shownHeight,
                                   alt: 'Heat map of the error at level 0: black where equal, white from an error ' +
                                            'of ' + heatMap.scale.toFixed(3)}),
                      heatMap.shownWidth, heatMap.shownHeight, kHeatMapBox));
    const legend = make('div');
    legend.append(make('div', {class: 'heat-scale', role: 'img', 'aria-label': 'Heat map scale'}));
    const labels = make('div', {class: 'heat-labels'});
    labels.append(make('span', {}, '0'), make('span', {}, heatMap.scale.toFixed(3)));
    legend.append(labels, make('p', {class: 'note'},
                               'Error per pixel on a 0..255 scale; white: ' + heatMap.scale.toFixed(3) +
                                   ' and above (exceeded by one pixel in a hundred).'));
    heat.append(legend);
    element.append(heat);

    element.append(make('h3', {}, 'Figures' +
                            (section.figures.hdr ? ' (float values: log2 RMSE, PSNR after the tone curve)'
                             : section.figures.alpha_weighted ? ' (colour weighted by alpha)' : '')));
    element.append(figuresTable(section.figures));
    root.append(element);
    viewer.select(0);
    return viewer;
  }

  function reportSection(section) {
    const element = make('section', {class: 'report', id: section.id, 'aria-labelledby': section.id + '-title'});
    element.append(make('h2', {id: section.id + '-title'}, 'Conversions, worst PSNR first'),
                   make('p', {class: 'note'}, 'PSNR of level 0 over all four channels (the worst face); ratio: ' +
                                              'the pixels at 4 bytes each over the bytes of the file.'));
    const table = make('table', {class: 'conversions'});
    const head = make('tr');
    for (const title of ['#', 'source', 'result', 'input', 'output', 'format', 'bytes', 'ratio', 'PSNR (dB)',
                         'time (s)', ''])
      head.append(make('th', {scope: 'col', class: title === 'input' || title === 'output' ? 'name' : ''}, title));
    table.append(head);
    section.rows.forEach((row, index) => {
      const line = make('tr', {class: index === 0 && row.psnr !== null ? 'worst' : ''});
      line.append(make('td', {}, String(index + 1)));
      for (const thumbnail of [row.sourceThumbnail, row.resultThumbnail]) {
        const cell = make('td', {class: 'thumb'});
        if (thumbnail)
          cell.append(boxed(make('img', {src: thumbnail.uri, alt: 'thumbnail', 'data-width': thumbnail.width,
                                         'data-height': thumbnail.height}),
                            thumbnail.width, thumbnail.height, kThumbnailBox));
        line.append(cell);
      }
      line.append(make('td', {class: 'name'}, row.source), make('td', {class: 'name'}, row.output),
                  make('td', {}, row.format), make('td', {}, row.bytes.toLocaleString('en')),
                  make('td', {}, row.ratio === null ? '' : row.ratio.toFixed(2) + ':1'),
                  make('td', {'data-psnr': JSON.stringify(row.psnr)},
                       row.psnr === null ? row.note : typeof row.psnr === 'string' ? 'identical'
                                                                                  : row.psnr.toFixed(2)),
                  make('td', {}, row.seconds.toFixed(3)));
      const link = make('td');
      if (row.diff)
        link.append(make('a', {href: '#' + row.diff}, 'compare'));
      line.append(link);
      table.append(line);
    });
    element.append(table);
    root.append(element);
  }

  const viewers = [];
  for (const section of data.sections) {
    if (section.kind === 'texture')
      viewers.push(textureSection(section));
    else if (section.kind === 'diff')
      viewers.push(diffSection(section));
    else if (section.kind === 'report')
      reportSection(section);
  }
  // For scripts that check the page (the project's browser test).
  window.r3aztexPage = {viewers: viewers, data: data};
})();
