// Opens each rendered page in Debian's chromium, as a reader would, and checks
// what a reader would notice: requests leaving the page, console messages,
// a page wider than the window, squares that land nowhere or under a header,
// disclosures that do not open or keep their closed marker, unreadable text
// and marks in the light and the dark scheme, what axe-core finds, boxes that
// keyboard users cannot reach or scroll, a page that paints differently from
// a server that allows nothing but inline styles, and prints that lose what
// closed disclosures hold or come out dark.
//   node check.mjs OUT_DIR LARGE_PAGE
// reads OUT_DIR/<page>.html and LARGE_PAGE, and writes OUT_DIR/browser/<page>.png,
// <page>-dark.png, <page>-full.png, <page>-dark-full.png and <page>.pdf.
// Exits 1 when any check fails.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const WINDOW = { width: 1366, height: 900 };
// A4 is 210 mm wide; less 12 mm margins on each side, at 96 CSS pixels an inch.
const A4_PRINT_WIDTH = Math.floor(((210 - 2 * 12) / 25.4) * 96);
const MIN_CONTRAST = 4.5;
// Bars, squares, dots and rings against what surrounds them.
const MIN_GRAPHICS_CONTRAST = 3;
const AXE_SOURCE = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
// The policy a page must paint under, unchanged: it needs nothing but inline styles.
const INLINE_STYLES_ONLY = "default-src 'none'; style-src 'unsafe-inline'";

// Every page the demo renders, and the generated wide exploration.
// `disclosures` names the kinds a page must have; others are checked where present.
// axe-core reads the sample pages; the generated one, of a single service,
// goes from its title (h1) to h3 headings, as every single-service page is written.
const PAGES = [
    { name: 'explore', disclosures: ['criterion', 'postcondition row', 'input row', 'long chip'], fitsA4: true },
    { name: 'optimize', disclosures: ['criterion', 'postcondition row', 'long chip'], fitsA4: true },
    { name: 'optimize-hidden-scores', disclosures: ['criterion', 'postcondition row'], fitsA4: true },
    { name: 'measure', disclosures: ['criterion', 'postcondition row'], fitsA4: true },
    { name: 'verdict', disclosures: ['criterion', 'postcondition row'], fitsA4: true },
    { name: 'explore-50', disclosures: ['criterion', 'postcondition row', 'input row', 'long chip'], fitsA4: false, generated: true },
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

// The large exploration is opened once, for what only size shows.
const [outDir, largePage] = process.argv.slice(2);
if (!outDir || !largePage) {
    console.error('usage: node check.mjs OUT_DIR LARGE_PAGE');
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
    await checkLargePage(largePage);
} finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
}

for (const line of failures) console.error(`FAIL ${line}`);
const failed = new Set(failures.map((f) => f.split(':')[0])).size;
console.log(`${PAGES.length + 1 - failed} passed, ${failed} failed`);
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
    await page.emulateMedia({ colorScheme: 'dark' });
    await page.screenshot({ path: path.join(shotDir, `${sample.name}-dark.png`) });
    await page.emulateMedia({ colorScheme: 'light' });

    await checkStylesheetParses(page, sample.name);
    await checkWidth(page, sample.name, 'with every disclosure closed');
    await checkSquare(page, sample.name);
    await checkDisclosures(page, sample);
    await checkBoxes(page, sample.name);
    await checkKeyboard(page, sample.name);

    await shootParts(page, sample.name);
    await page.evaluate(() => document.querySelectorAll('details').forEach((d) => { d.open = true; }));
    await checkWidth(page, sample.name, 'with every disclosure open');
    for (const scheme of ['light', 'dark']) {
        await page.emulateMedia({ colorScheme: scheme });
        await checkContrast(page, `${sample.name} (${scheme})`);
        if (scheme === 'dark') await checkGraphicsContrast(page, `${sample.name} (${scheme})`);
        if (!sample.generated) await checkAxe(page, `${sample.name} (${scheme})`);
        await page.evaluate(() => window.scrollTo(0, 0));
        const suffix = scheme === 'dark' ? '-dark-full' : '-full';
        await page.screenshot({ path: path.join(shotDir, `${sample.name}${suffix}.png`), fullPage: true });
    }
    await checkPrintIsLight(page, sample.name);
    await page.emulateMedia({ colorScheme: 'light' });

    await checkPrint(page, sample);
    await checkInlineStylesOnly(sample.name, url);

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
    await settled(page);
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
        // Near the summary's start, on its label: an input row's summary also
        // holds the squares, links that lead elsewhere instead of opening it.
        await page.locator(`${selector} > summary`).first().click({ position: { x: 6, y: 6 } });
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

// Keyboard users reach what mouse users reach. A box that scrolls sideways
// takes the focus by Tab, itself or through what it holds, and the arrow keys
// scroll it. A square (too small a target, and a link inside an input row's
// summary) has its place reached another way: Tab lands on the row's own
// summary, and Enter opens it.
async function checkKeyboard(page, name) {
    const closeAll = () => page.evaluate(() => {
        document.querySelectorAll('details').forEach((d) => { d.open = false; });
        document.activeElement?.blur();
        window.scrollTo(0, 0);
    });
    // Tabs from the element before `selector`'s first match until the focus is
    // inside that match; returns whether it got there.
    const tabInto = async (selector) => {
        await page.evaluate((s) => {
            const target = document.querySelector(s);
            const all = [...document.querySelectorAll('a[href], summary, [tabindex]')].filter((e) => e.checkVisibility());
            const before = all.filter((e) => e.compareDocumentPosition(target) & Node.DOCUMENT_POSITION_FOLLOWING && !target.contains(e)).at(-1);
            before?.focus();
        }, selector);
        for (let i = 0; i < 5; ++i) {
            await page.keyboard.press('Tab');
            if (await page.evaluate((s) => document.querySelector(s).contains(document.activeElement), selector)) return true;
        }
        return false;
    };
    const scrollsByArrows = async (box) => {
        await page.keyboard.press('ArrowRight');
        await page.keyboard.press('ArrowRight');
        await page.waitForTimeout(100);
        return page.evaluate((s) => document.querySelector(s).scrollLeft > 0, box);
    };

    // The opened diffs, and the grids wider than the window.
    await closeAll();
    const diff = await page.evaluate(() => {
        for (const chip of document.querySelectorAll('details.chip-details')) {
            chip.open = true;
            const pre = chip.querySelector('pre.diff');
            if (pre && pre.scrollWidth > pre.clientWidth) {
                pre.setAttribute('data-check', 'diff');
                return true;
            }
            chip.open = false;
        }
        return false;
    });
    if (diff) {
        const box = 'pre[data-check="diff"]';
        if (!(await tabInto(box))) fail(name, 'Tab does not reach an opened diff that scrolls');
        else if (!(await scrollsByArrows(box))) fail(name, 'the arrow keys do not scroll an opened diff');
        await page.evaluate(() => document.querySelector('pre[data-check="diff"]').removeAttribute('data-check'));
    }
    await closeAll();
    for (const kind of ['.pc-grid:not(.nested)', '.crit']) {
        // A box far from the window is not laid out, so its rows are measured, not its scroll width.
        const wide = await page.evaluate((k) => {
            const box = [...document.querySelectorAll(k)].find((g) => [...g.children].some((row) => row.getBoundingClientRect().width > g.clientWidth + 4));
            box?.setAttribute('data-check', 'wide');
            return !!box;
        }, kind);
        if (!wide) continue;
        const box = '[data-check="wide"]';
        if (!(await tabInto(box))) fail(name, `Tab does not reach into a ${kind} box that scrolls`);
        else if (!(await scrollsByArrows(box))) fail(name, `the arrow keys do not scroll a ${kind} box wider than the window`);
        await page.evaluate(() => document.querySelector('[data-check="wide"]').removeAttribute('data-check'));
        await closeAll();
    }

    // A square's row, by its summary; an input row, whose summary holds squares.
    for (const [what, row] of [['a square\'s row', 'details.pc-row:not(.exp-row)'], ['an input row', 'details.exp-row']]) {
        await closeAll();
        const id = await page.evaluate((r) => {
            const square = [...document.querySelectorAll('a.sq-link')].find((a) => document.getElementById(a.hash.slice(1))?.closest(r));
            const summary = square && document.getElementById(square.hash.slice(1)).closest(r).querySelector(':scope > summary');
            if (!summary) return null;
            summary.setAttribute('data-check', 'row');
            return square.hash.slice(1);
        }, row);
        if (!id) continue;
        const summary = 'summary[data-check="row"]';
        await page.evaluate((s) => {
            const details = document.querySelector(s).closest('details');
            for (let up = details.parentElement.closest('details'); up; up = up.parentElement.closest('details')) up.open = true;
        }, summary);
        const reached = (await tabInto(summary)) && (await page.evaluate((s) => document.activeElement === document.querySelector(s), summary));
        if (!reached) {
            fail(name, `Tab does not land on ${what} summary (#${id})`);
        } else {
            await page.keyboard.press('Enter');
            const opened = await page.evaluate((s) => document.querySelector(s).parentElement.open, summary);
            if (!opened) fail(name, `Enter does not open ${what} (#${id})`);
        }
        await page.evaluate((s) => document.querySelector(s).removeAttribute('data-check'), summary);
    }
    await closeAll();
}

// axe-core over the page as it stands (every disclosure open): WCAG 2.0, 2.1
// and 2.2 at levels A and AA, and best practice.
async function checkAxe(page, name) {
    if (!(await page.evaluate(() => !!window.axe))) await page.addScriptTag({ content: AXE_SOURCE });
    const violations = await page.evaluate(async () => {
        window.axe.configure({
            rules: [
                // A square inside an input row's summary is a link inside a disclosure's
                // summary, as the page is written; the row's summary itself is reached by Tab.
                { id: 'nested-interactive', selector: '*:not(.pc-grid.inputs .exp-row > summary)' },
                // Squares are 7 px wide, as the page is written; the row each one links to is
                // reached by Tab on that row's summary.
                { id: 'target-size', selector: '*:not(.outcome-strip > .sq-link)' },
            ],
        });
        const result = await window.axe.run(document, {
            runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa', 'best-practice'] },
            resultTypes: ['violations'],
        });
        return result.violations.map((v) => `${v.id} (${v.nodes.length}): ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(' | ')}`);
    });
    for (const violation of violations) fail(name, `axe: ${violation}`);
}

// The colour arithmetic of both contrast checks. It runs in the page, so the
// checks hand it over as its source: a computed colour read as [r, g, b, alpha]
// (null when unreadable), a colour laid over another, and the WCAG ratio.
function colourMath() {
    const parse = (text) => {
        const rgb = text.match(/^rgba?\(([\d.]+), ([\d.]+), ([\d.]+)(?:, ([\d.]+))?\)$/);
        if (rgb) return [+rgb[1], +rgb[2], +rgb[3], rgb[4] === undefined ? 1 : +rgb[4]];
        const srgb = text.match(/^color\(srgb ([\d.e-]+) ([\d.e-]+) ([\d.e-]+)(?: \/ ([\d.]+))?\)$/);
        if (srgb) return [srgb[1] * 255, srgb[2] * 255, srgb[3] * 255, srgb[4] === undefined ? 1 : +srgb[4]];
        return null;
    };
    const over = (top, below, alpha) => top.map((c, i) => c * alpha + below[i] * (1 - alpha));
    const linear = (c) => ((c /= 255) <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4);
    const luminance = ([r, g, b]) => 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
    const ratio = (a, b) => {
        const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p);
        return (x + 0.05) / (y + 0.05);
    };
    return { parse, over, ratio };
}

// Bars, outcome squares, strip dots, landmarks and rings stand out from what
// surrounds them at 3:1 or more, their colour composited as painted.
async function checkGraphicsContrast(page, name) {
    const low = await page.evaluate(([minimum, math]) => {
        const { parse, over, ratio } = new Function(`return (${math})()`)();
        // The background painted behind `el`, from the root down to its parent, and the opacity of the groups it is in.
        const behind = (el) => {
            const chain = [];
            for (let node = el.parentElement; node; node = node.parentElement) chain.unshift(node);
            let background = [255, 255, 255];
            let alpha = 1;
            for (const node of chain) {
                const style = getComputedStyle(node);
                alpha *= +style.opacity;
                const colour = parse(style.backgroundColor);
                if (colour) background = over(colour.slice(0, 3), background, colour[3]);
            }
            return { background, alpha };
        };
        // A brightness filter scales every channel.
        const filtered = (colour, filter) => {
            const gain = +(filter.match(/brightness\(([\d.]+)\)/)?.[1] ?? 1);
            return colour.slice(0, 3).map((c) => Math.min(255, c * gain));
        };
        const marks = [
            ['.bar-fill', (s) => s.backgroundColor],
            ['.outcome-strip .sq, .strip-legend .sq', (s) => s.backgroundColor],
            ['.strip-dot', (s) => s.fill],
            ['.landmark:not(.strip-average)', (s) => s.fill],
            ['.strip-average', (s) => s.stroke],
            ['.trajectory-dot, .trajectory-best', (s) => s.fill],
        ];
        const low = new Set();
        for (const [selector, paint] of marks) {
            for (const el of document.querySelectorAll(selector)) {
                if (!el.checkVisibility()) continue;
                const style = getComputedStyle(el);
                const colour = parse(paint(style));
                if (!colour || !colour[3]) continue;
                const { background, alpha } = behind(el);
                const shown = over(filtered(colour, style.filter), background, colour[3] * +style.opacity * +style.fillOpacity * alpha);
                const r = ratio(shown, background);
                if (r < minimum) low.add(`${selector.split(',')[0]} ${paint(style)} ${r.toFixed(2)}:1`);
            }
        }
        return [...low];
    }, [MIN_GRAPHICS_CONTRAST, colourMath.toString()]);
    for (const line of low.slice(0, 10)) fail(name, `mark below ${MIN_GRAPHICS_CONTRAST}:1: ${line}`);
}

// Printed, the page is a light sheet whatever the reader's scheme.
async function checkPrintIsLight(page, name) {
    await page.emulateMedia({ media: 'print', colorScheme: 'dark' });
    const { body, text } = await page.evaluate(() => ({
        body: getComputedStyle(document.body).backgroundColor,
        text: getComputedStyle(document.body).color,
    }));
    if (body !== 'rgb(255, 255, 255)' || text !== 'rgb(33, 37, 41)') {
        fail(name, `printed in the dark scheme, the page is ${text} on ${body}`);
    }
    await page.emulateMedia({ media: null });
}

// Waits until the page stops moving: parts laid out only when they come near
// the window take their real height a frame or two after a jump, and what is
// measured before then is where the page was, not where it stays.
async function settled(page) {
    await page.evaluate(async () => {
        const frame = () => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
        let last = '';
        for (let calm = 0, tries = 0; calm < 3 && tries < 60; tries++) {
            await frame();
            const now = `${window.scrollY} ${document.documentElement.scrollHeight}`;
            calm = now === last ? calm + 1 : 0;
            last = now;
        }
    });
}

// Walks the page down and back up a window at a time, so that every part
// kept out of layout until it is near the window has been laid out once and
// keeps its real size: a whole-page picture taken before that catches the
// page while parts still stand at their placeholder height.
async function layOutEverything(page) {
    await page.evaluate(async () => {
        const frame = () => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
        for (let y = 0; y < document.documentElement.scrollHeight; y += window.innerHeight) {
            window.scrollTo(0, y);
            await frame();
        }
        window.scrollTo(0, 0);
        await frame();
    });
}

// Served under a policy that allows inline styles and nothing else, the page
// breaks no rule of it and paints the very pixels it paints without one.
async function checkInlineStylesOnly(name, fileUrl) {
    const html = fs.readFileSync(new URL(fileUrl));
    const shots = [];
    for (const policy of [null, INLINE_STYLES_ONLY]) {
        const page = await browser.newPage();
        const url = `http://brelk.invalid/${name}.html`;
        await page.route('**/*', (route) => (route.request().url() === url
            ? route.fulfill({ status: 200, contentType: 'text/html; charset=utf-8', body: html,
                headers: policy ? { 'Content-Security-Policy': policy } : {} })
            : route.abort()));
        await page.addInitScript(() => {
            window.policyViolations = [];
            document.addEventListener('securitypolicyviolation', (e) => window.policyViolations.push(`${e.violatedDirective} ${e.blockedURI}`));
        });
        const messages = [];
        page.on('console', (message) => messages.push(message.text()));
        await page.goto(url);
        await layOutEverything(page);
        shots.push(await page.screenshot({ fullPage: true }));
        if (policy) {
            const violations = await page.evaluate(() => window.policyViolations);
            for (const v of [...violations, ...messages]) fail(name, `under "${policy}": ${v}`);
        }
        await page.close();
    }
    if (!shots[0].equals(shots[1])) fail(name, `under "${INLINE_STYLES_ONLY}" the page paints other pixels than without it`);
}

// What only a large exploration shows: badges of three and four digits fit
// their pills while one and two digits keep their circles; a square's link
// far down still lands its row below the header; find-in-page reaches rows
// never scrolled to; and scrolling back up from the end does not jump.
async function checkLargePage(file) {
    const name = path.basename(file, '.html');
    if (!fs.existsSync(file)) return fail(name, 'no page');
    const page = await browser.newPage();
    await page.goto(`file://${path.resolve(file)}`, { timeout: 0 });

    const badges = await page.evaluate(() => {
        const problems = [];
        const seen = new Set();
        for (const badge of document.querySelectorAll('.cfg-badge')) {
            const digits = badge.textContent.length;
            if (seen.has(digits) && digits < 3) continue;
            const box = badge.getBoundingClientRect();
            if (!box.width) continue;
            seen.add(digits);
            const range = document.createRange();
            range.selectNodeContents(badge);
            const text = range.getBoundingClientRect();
            if (text.left < box.left - 0.5 || text.right > box.right + 0.5) problems.push(`badge ${badge.textContent} overflows its box (${text.width.toFixed(1)} > ${box.width.toFixed(1)})`);
            if (digits < 3 && Math.abs(box.width - box.height) > 0.5) problems.push(`badge ${badge.textContent} is no circle (${box.width.toFixed(1)} × ${box.height.toFixed(1)})`);
        }
        if (!seen.has(4)) problems.push('no four-digit badge to check');
        return problems;
    });
    for (const problem of badges.slice(0, 5)) fail(name, problem);

    // The last input row stands below a leaderboard of a thousand rows; its
    // first square links into the row's own panel.
    const target = await page.evaluate(() => {
        const square = [...document.querySelectorAll('details.exp-row')].at(-1).querySelector('a.sq-link');
        square.setAttribute('data-check', 'square');
        return square.hash.slice(1);
    });
    try {
        await page.click('a[data-check="square"]', { timeout: 10000 });
    } catch {
        fail(name, `the square to #${target} cannot be clicked: something covers it`);
    }
    await settled(page);
    const landing = await page.evaluate((id) => {
        const rect = document.getElementById(id).getBoundingClientRect();
        return { isTarget: document.getElementById(id).matches(':target'), top: rect.top, bottom: rect.bottom, y: window.scrollY };
    }, target);
    if (!landing.isTarget) fail(name, `#${target} does not match :target after its square was followed`);
    if (landing.top < 16 || landing.bottom > WINDOW.height) fail(name, `#${target}, far down, landed at top ${landing.top}`);

    // The last latency row's label, found from the top without scrolling there first.
    const found = await page.evaluate(() => {
        window.scrollTo(0, 0);
        const row = [...document.querySelectorAll('.lat-row')].at(-1);
        const label = row.querySelector('.pc-label').lastChild.textContent;
        getSelection().removeAllRanges();
        for (let i = 0; i < 100 && window.find(label, true, false, false); ++i) {
            if (row.contains(getSelection().anchorNode)) return true;
        }
        return false;
    });
    if (!found) fail(name, 'window.find does not reach the last latency row');

    // From the end back up, a window at a time: what stood at the window's top
    // moves down by exactly the distance scrolled.
    const jumps = await page.evaluate(async () => {
        const frame = () => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
        window.scrollTo(0, document.documentElement.scrollHeight);
        await frame();
        const jumps = [];
        for (let step = 0; step < 30 && window.scrollY > 0; ++step) {
            const anchor = document.elementFromPoint(600, 200);
            const before = anchor.getBoundingClientRect().top;
            const by = Math.min(600, window.scrollY);
            window.scrollBy(0, -by);
            await frame();
            const moved = anchor.getBoundingClientRect().top - before;
            if (Math.abs(moved - by) > 1) jumps.push(`scrolling up by ${by} px moved the content by ${moved.toFixed(0)} px`);
        }
        return jumps;
    });
    for (const jump of jumps.slice(0, 3)) fail(name, jump);
    await page.close();
}

// Every visible text, its colour and the background behind it as rendered:
// translucent backgrounds composited, and each group opacity applied.
async function checkContrast(page, name) {
    const low = await page.evaluate(([minimum, math]) => {
        const { parse: read, over, ratio } = new Function(`return (${math})()`)();
        const parse = (text) => {
            const colour = read(text);
            if (!colour) throw new Error(`unreadable colour ${text}`);
            return colour;
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
    }, [MIN_CONTRAST, colourMath.toString()]);
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
