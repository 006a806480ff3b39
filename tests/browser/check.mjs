// Opens each rendered page in Debian's chromium, as a reader would, and checks
// what a reader would notice: requests leaving the page, console messages,
// a page wider than the window, squares that land nowhere or under a header,
// disclosures that do not open or keep their closed marker, unreadable text,
// and prints that lose what closed disclosures hold.
//   node check.mjs OUT_DIR
// reads OUT_DIR/<page>.html and writes OUT_DIR/browser/<page>.png,
// <page>-full.png and <page>.pdf. Exits 1 when any check fails.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const WINDOW = { width: 1366, height: 900 };
// A4 is 210 mm wide; less 12 mm margins on each side, at 96 CSS pixels an inch.
const A4_PRINT_WIDTH = Math.floor(((210 - 2 * 12) / 25.4) * 96);
const MIN_CONTRAST = 4.5;

// Every page the demo renders, and the generated wide exploration.
// `disclosures` names the kinds a page must have; others are checked where present.
const PAGES = [
    { name: 'explore', disclosures: ['criterion', 'postcondition row', 'input row', 'long chip'], fitsA4: true },
    { name: 'optimize', disclosures: ['criterion', 'postcondition row', 'long chip'], fitsA4: true },
    { name: 'optimize-hidden-scores', disclosures: ['criterion', 'postcondition row'], fitsA4: true },
    { name: 'measure', disclosures: ['criterion', 'postcondition row'], fitsA4: true },
    { name: 'verdict', disclosures: ['criterion', 'postcondition row'], fitsA4: true },
    { name: 'explore-50', disclosures: ['criterion', 'postcondition row', 'input row', 'long chip'], fitsA4: false },
];

const DISCLOSURES = {
    criterion: 'details.crit',
    'postcondition row': 'details.pc-row:not(.exp-row)',
    'input row': 'details.exp-row',
    'long chip': 'details.chip-details',
};

// Close-ups for a reader of the checks: the parts of a page the stylesheet mends shape.
// Each is `<page>-<part>.png`, taken when the page has the part.
const PARTS = [
    { part: 'differs', open: 'details.chip-details', shoot: 'table.leaderboard:has(details.chip-details pre)' },
    { part: 'notice', open: null, shoot: '.nothing-delivered, .nothing-measured' },
    { part: 'criterion', open: 'details.crit, details.pc-row:not(.exp-row)', shoot: 'details.crit' },
    { part: 'inputs', open: 'details.exp-row', shoot: '.pc-grid.inputs' },
    { part: 'latency', open: null, shoot: '.pc-grid.latency' },
    { part: 'legend', open: null, shoot: 'p.legend.strip-axis' },
];

const outDir = process.argv[2];
if (!outDir) {
    console.error('usage: node check.mjs OUT_DIR');
    process.exit(2);
}
const shotDir = path.join(outDir, 'browser');
fs.mkdirSync(shotDir, { recursive: true });

const failures = [];
const fail = (page, what) => failures.push(`${page}: ${what}`);

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'brelk-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [
        '--no-sandbox',
        '--disable-gpu',
        '--disable-quic',
        '--no-first-run',
        '--disable-background-networking',
        '--disable-component-update',
        '--disable-sync',
    ],
    viewport: WINDOW,
    reducedMotion: 'reduce',
});

try {
    for (const sample of PAGES) await checkPage(sample);
} finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
}

for (const line of failures) console.error(`FAIL ${line}`);
console.log(`${PAGES.length - new Set(failures.map((f) => f.split(':')[0])).size} passed, ` +
    `${new Set(failures.map((f) => f.split(':')[0])).size} failed`);
process.exit(failures.length ? 1 : 0);

async function checkPage(sample) {
    const file = path.resolve(outDir, `${sample.name}.html`);
    const url = `file://${file}`;
    const page = await browser.newPage();
    const requests = [];
    const messages = [];
    page.on('request', (request) => {
        if (request.url() !== url) requests.push(request.url());
    });
    page.on('console', (message) => messages.push(`${message.type()}: ${message.text()}`));
    page.on('pageerror', (error) => messages.push(`error: ${error.message}`));

    await page.goto(url);
    await page.screenshot({ path: path.join(shotDir, `${sample.name}.png`) });

    await checkStylesheetParses(page, sample.name);
    await checkWidth(page, sample.name, 'with every disclosure closed');
    await checkSquare(page, sample.name);
    await checkDisclosures(page, sample);
    await checkBoxes(page, sample.name);

    await shootParts(page, sample.name);
    await page.evaluate(() => document.querySelectorAll('details').forEach((d) => { d.open = true; }));
    await checkWidth(page, sample.name, 'with every disclosure open');
    await checkContrast(page, sample.name);
    await page.evaluate(() => window.scrollTo(0, 0));
    await page.screenshot({ path: path.join(shotDir, `${sample.name}-full.png`), fullPage: true });

    await checkPrint(page, sample);

    for (const request of requests) fail(sample.name, `request left the page: ${request}`);
    for (const message of messages) fail(sample.name, `console message: ${message}`);
    await page.close();
}

async function shootParts(page, name) {
    for (const { part, open, shoot } of PARTS) {
        const target = page.locator(shoot).first();
        if (!(await target.count())) continue;
        await page.evaluate((s) => {
            document.querySelectorAll('details').forEach((d) => { d.open = false; });
            if (!s) return;
            for (const selector of s.split(', ')) document.querySelector(selector).open = true;
        }, open);
        await target.screenshot({ path: path.join(shotDir, `${name}-${part}.png`) });
    }
    await page.evaluate(() => document.querySelectorAll('details').forEach((d) => { d.open = false; }));
}

// A rule the browser cannot parse is dropped without a word; count them.
async function checkStylesheetParses(page, name) {
    const { braces, rules } = await page.evaluate(() => {
        const count = (list) => [...list].reduce((n, rule) => n + 1 + (rule.cssRules ? count(rule.cssRules) : 0), 0);
        const text = document.querySelector('style').textContent.replace(/\/\*[\s\S]*?\*\//g, '');
        return { braces: (text.match(/\{/g) || []).length, rules: count(document.styleSheets[0].cssRules) };
    });
    if (braces !== rules) fail(name, `the stylesheet has ${braces} rule blocks, the browser kept ${rules}`);
}

async function checkWidth(page, name, state) {
    const { width, spills } = await page.evaluate(() => {
        // Boxes whose content sticks out sideways without a scroll box of their own.
        const spills = [];
        for (const el of document.body.querySelectorAll('*')) {
            const style = getComputedStyle(el);
            if (style.display === 'inline' || style.display === 'contents' || !el.checkVisibility()) continue;
            // A few pixels leave room for marks drawn on a bar's very end.
            if (el.scrollWidth <= el.clientWidth + 4 || style.overflowX !== 'visible') continue;
            if (el.closest('svg')) continue;
            spills.push(`${el.tagName.toLowerCase()}.${[...el.classList].join('.')} (${el.scrollWidth} > ${el.clientWidth})`);
        }
        return { width: document.documentElement.scrollWidth, spills };
    });
    if (width > WINDOW.width) fail(name, `${state} the page is ${width} px wide in a ${WINDOW.width} px window`);
    for (const spill of spills.slice(0, 5)) fail(name, `${state} content spills out of ${spill}`);
}

// Following a square lands on its row: the row is the target, inside the
// window, with nothing over it and, for a grid's first row, its header in view.
async function checkSquare(page, name) {
    const target = await page.evaluate(() => {
        const squares = [...document.querySelectorAll('a.sq-link')].filter((a) => a.checkVisibility());
        const lead = (a) => document.getElementById(a.hash.slice(1))?.parentElement?.previousElementSibling;
        const square = squares.find((a) => lead(a)?.classList.contains('pc-head')) ?? squares[0];
        if (!square) return null;
        square.setAttribute('data-check', 'square');
        return square.hash.slice(1);
    });
    if (!target) return fail(name, 'no square to follow');
    await page.click('a[data-check="square"]');
    await page.evaluate(() => document.querySelector('a[data-check="square"]').removeAttribute('data-check'));
    const landing = await page.evaluate((id) => {
        const el = document.getElementById(id);
        const rect = el.getBoundingClientRect();
        const onTop = document.elementFromPoint(rect.left + 4, rect.top + 4);
        const grid = el.closest('.pc-grid');
        const row = el.tagName === 'SUMMARY' ? el.parentElement : el;
        const head = row.previousElementSibling?.classList.contains('pc-head') ? row.previousElementSibling : null;
        const headRect = head?.getBoundingClientRect();
        return {
            isTarget: el.matches(':target'),
            top: rect.top,
            bottom: rect.bottom,
            covered: !el.contains(onTop),
            headTop: headRect?.top ?? null,
            headBottom: headRect?.bottom ?? null,
            inGrid: !!grid,
        };
    }, target);
    if (!landing.isTarget) fail(name, `#${target} does not match :target after its square was followed`);
    await page.screenshot({ path: path.join(shotDir, `${name}-square.png`) });
    if (landing.top < 0 || landing.bottom > WINDOW.height) fail(name, `#${target} landed outside the window (top ${landing.top})`);
    if (landing.top < 16) fail(name, `#${target} landed flush with the window's top edge (top ${landing.top})`);
    if (landing.covered) fail(name, `#${target} is covered by another element`);
    if (landing.headTop !== null && (landing.headTop < 0 || landing.headBottom > landing.top + 1)) {
        fail(name, `#${target}: its grid's header is out of view (header top ${landing.headTop})`);
    }
    // Following a square into a closed input row opens it; start the next checks from a closed page.
    await page.evaluate(() => {
        document.querySelectorAll('details').forEach((d) => { d.open = false; });
        window.scrollTo(0, 0);
    });
}

async function checkDisclosures(page, sample) {
    for (const [kind, selector] of Object.entries(DISCLOSURES)) {
        const exists = await page.evaluate((s) => !!document.querySelector(s), selector);
        if (!exists) {
            if (sample.disclosures.includes(kind)) fail(sample.name, `no ${kind} to open`);
            continue;
        }
        const before = await disclosureState(page, selector);
        await page.locator(`${selector} > summary`).first().click();
        const after = await disclosureState(page, selector);
        if (before.open || before.marker !== 'closed') fail(sample.name, `closed ${kind} shows ${before.marker}`);
        if (!after.open) fail(sample.name, `${kind} did not open on a click`);
        if (!after.panelShown) fail(sample.name, `opened ${kind} shows no panel`);
        if (after.marker !== 'open') fail(sample.name, `opened ${kind} shows ${after.marker}`);
        await page.locator(`${selector} > summary`).first().click();
    }
}

// Notices and chips are drawn as boxes wherever they stand, not as bare text.
async function checkBoxes(page, name) {
    const bare = await page.evaluate(() => {
        const boxed = (el) => {
            const style = getComputedStyle(el);
            return style.backgroundColor !== 'rgba(0, 0, 0, 0)' && parseFloat(style.borderTopWidth) > 0;
        };
        const selectors = ['.nothing-delivered', '.nothing-measured', '.chip'];
        return selectors.filter((s) => [...document.querySelectorAll(s)].some((el) => !boxed(el)));
    });
    for (const selector of bare) fail(name, `${selector} is drawn without its box`);
}

// Whether the first such disclosure is open, shows its panel, and which way its marker points:
// a ::before glyph, the list marker, or a caret turned a quarter.
async function disclosureState(page, selector) {
    return page.evaluate((s) => {
        const details = document.querySelector(s);
        const summary = details.querySelector(':scope > summary');
        const panel = summary.nextElementSibling;
        const glyph = (text) => (text.includes('▾') ? 'open' : text.includes('▸') ? 'closed' : `no marker (${text})`);
        let marker;
        const before = getComputedStyle(summary, '::before').content;
        const caret = summary.querySelector('.caret');
        if (before && before !== 'none' && before !== 'normal') {
            marker = glyph(before);
        } else if (caret) {
            const turned = new DOMMatrix(getComputedStyle(caret).transform);
            marker = glyph(caret.textContent) === 'closed' && Math.abs(turned.b - 1) < 1e-6 ? 'open' : glyph(caret.textContent);
        } else if (getComputedStyle(summary).display === 'list-item') {
            marker = glyph(getComputedStyle(summary).listStyleType);
        } else {
            marker = 'no marker';
        }
        const rect = panel?.getBoundingClientRect();
        return { open: details.open, marker, panelShown: !!panel && panel.checkVisibility() && rect.height > 0 };
    }, selector);
}

// Every visible text, its colour and the background behind it as rendered:
// translucent backgrounds composited, and each group opacity applied.
async function checkContrast(page, name) {
    const low = await page.evaluate((minimum) => {
        const parse = (text) => {
            const rgb = text.match(/^rgba?\(([\d.]+), ([\d.]+), ([\d.]+)(?:, ([\d.]+))?\)$/);
            if (rgb) return [+rgb[1], +rgb[2], +rgb[3], rgb[4] === undefined ? 1 : +rgb[4]];
            const srgb = text.match(/^color\(srgb ([\d.e-]+) ([\d.e-]+) ([\d.e-]+)(?: \/ ([\d.]+))?\)$/);
            if (srgb) return [srgb[1] * 255, srgb[2] * 255, srgb[3] * 255, srgb[4] === undefined ? 1 : +srgb[4]];
            throw new Error(`unreadable colour ${text}`);
        };
        const over = (top, below, alpha) => top.map((c, i) => c * alpha + below[i] * (1 - alpha));
        const linear = (c) => ((c /= 255) <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4);
        const luminance = ([r, g, b]) => 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
        const ratio = (a, b) => {
            const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p);
            return (x + 0.05) / (y + 0.05);
        };
        // The text and background colours of `el` as they reach the screen.
        const rendered = (el, colour) => {
            const chain = [];
            for (let node = el; node; node = node.parentElement) chain.unshift(node);
            let background = [255, 255, 255];
            const groups = [];
            for (const node of chain) {
                const style = getComputedStyle(node);
                if (+style.opacity < 1) groups.push({ alpha: +style.opacity, backdrop: background });
                const [r, g, b, a] = parse(style.backgroundColor);
                background = over([r, g, b], background, a);
            }
            let text = over(colour.slice(0, 3), background, colour[3]);
            for (const group of groups.reverse()) {
                text = over(text, group.backdrop, group.alpha);
                background = over(background, group.backdrop, group.alpha);
            }
            return { text, background };
        };
        const describe = (el) => `${el.tagName.toLowerCase()}${[...el.classList].map((c) => `.${c}`).join('')}`;
        const low = [];
        for (const el of document.body.querySelectorAll('*')) {
            if (el.closest('svg') || !el.checkVisibility({ visibilityProperty: true })) continue;
            const style = getComputedStyle(el);
            const own = [...el.childNodes].some((n) => n.nodeType === Node.TEXT_NODE && n.textContent.trim());
            const texts = own ? [{ what: el.textContent.trim().slice(0, 40), colour: style.webkitTextFillColor }] : [];
            const before = getComputedStyle(el, '::before');
            if (before.content && !['none', 'normal'].includes(before.content) && before.visibility === 'visible') {
                texts.push({ what: `::before ${before.content}`, colour: before.webkitTextFillColor });
            }
            for (const { what, colour } of texts) {
                const { text, background } = rendered(el, parse(colour));
                const r = ratio(text, background);
                if (r < minimum) low.push(`${describe(el)} "${what}" ${r.toFixed(2)}:1`);
            }
        }
        return low;
    }, MIN_CONTRAST);
    const seen = new Set();
    for (const line of low) {
        const key = line.replace(/ ".*/, '');
        if (seen.has(key)) continue;
        seen.add(key);
        fail(name, `text below ${MIN_CONTRAST}:1: ${line}`);
    }
}

// Printed, the page keeps to the width of an A4 sheet and holds what every
// disclosure holds, closed or open: the opened prompt's text among it.
async function checkPrint(page, sample) {
    await page.evaluate(() => document.querySelectorAll('details').forEach((d) => { d.open = false; }));
    const prompt = await page.evaluate(() => {
        const chip = [...document.querySelectorAll('details.chip-details')].find((d) => d.querySelector('pre'));
        if (!chip) return null;
        chip.open = true;
        // A line the prompt states, without the diff's +/− marker or its folds.
        const lines = [...chip.querySelectorAll('pre .add, pre .del')].map((l) => l.textContent.slice(2).trim());
        return lines.find((l) => l.length > 20) ?? chip.querySelector('pre').textContent.trim().split('\n')[0];
    });
    const closedText = await page.evaluate(() => {
        const panel = document.querySelector('details.crit .pc-class .txt');
        return panel ? panel.textContent.trim() : null;
    });
    if (sample.fitsA4) {
        await page.emulateMedia({ media: 'print' });
        await page.setViewportSize({ width: A4_PRINT_WIDTH, height: WINDOW.height });
        const width = await page.evaluate(() => document.documentElement.scrollWidth);
        if (width > A4_PRINT_WIDTH) fail(sample.name, `printed, the page is ${width} px wide on a ${A4_PRINT_WIDTH} px sheet`);
        await page.setViewportSize(WINDOW);
        await page.emulateMedia({ media: null });
    }
    const pdf = path.join(shotDir, `${sample.name}.pdf`);
    await page.pdf({ path: pdf, format: 'A4', preferCSSPageSize: true, printBackground: true });
    const text = execFileSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8', maxBuffer: 256 << 20 });
    const flat = (t) => t.replace(/\s+/g, ' ');
    if (prompt && !flat(text).includes(flat(prompt))) fail(sample.name, `the PDF lacks the opened prompt's line "${prompt}"`);
    if (closedText && !flat(text).includes(flat(closedText).slice(0, 30))) {
        fail(sample.name, `the PDF lacks a closed criterion's panel text "${closedText}"`);
    }
    if (sample.disclosures.includes('long chip') && !prompt) fail(sample.name, 'no prompt chip to print');
}
