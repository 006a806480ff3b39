// How long large pages take to open in Debian's chromium: for each page, the
// load event and the opening of every disclosure, each over several fresh
// tabs, printed as one table with the machine's load beside it.
//   node bench.mjs RUNS PAGE.html...
// This measures; it checks nothing and never fails on a number.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const [runs, ...files] = [Number(process.argv[2]), ...process.argv.slice(3)];
if (!Number.isInteger(runs) || runs < 1 || !files.length) {
    console.error('usage: node bench.mjs RUNS PAGE.html...');
    process.exit(2);
}

const loadavg = () => fs.readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ');
const seconds = (ms) => (ms / 1000).toFixed(2);
const range = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted.length === 1 ? seconds(sorted[0]) : `${seconds(sorted[0])}–${seconds(sorted.at(-1))}`;
};

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'brelk-bench-'));
const browser = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync'],
    viewport: { width: 1366, height: 900 },
    reducedMotion: 'reduce',
});

const rows = [];
const loadBefore = loadavg();
try {
    for (const file of files) {
        const configurations = (path.basename(file).match(/(\d+)/) ?? ['', '?'])[1];
        const megabytes = (fs.statSync(file).size / 1e6).toFixed(1);
        const loads = [];
        const opens = [];
        for (let run = 0; run < runs; ++run) {
            const page = await browser.newPage();
            await page.goto(`file://${path.resolve(file)}`, { waitUntil: 'load', timeout: 0 });
            loads.push(await page.evaluate(() => performance.getEntriesByType('navigation')[0].loadEventStart));
            // From the click's moment to the frame that shows every panel.
            opens.push(await page.evaluate(() => new Promise((done) => {
                const start = performance.now();
                document.querySelectorAll('details').forEach((d) => { d.open = true; });
                void document.body.offsetHeight;
                requestAnimationFrame(() => setTimeout(() => done(performance.now() - start), 0));
            })));
            await page.close();
        }
        rows.push([configurations, megabytes, range(loads), range(opens)]);
        console.error(`${file}: load ${loads.map(seconds).join(' ')} s, open ${opens.map(seconds).join(' ')} s`);
    }
} finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
}

const head = ['configurations', 'page MB', 'load event s', 'open every disclosure s'];
const widths = head.map((h, i) => Math.max(h.length, ...rows.map((r) => r[i].length)));
const line = (cells) => `| ${cells.map((c, i) => c.padStart(widths[i])).join(' | ')} |`;
console.log(`chromium, ${runs} fresh tab${runs === 1 ? '' : 's'} each; load average ${loadBefore} before, ${loadavg()} after`);
console.log(line(head));
console.log(`|${widths.map((w) => `${'-'.repeat(w + 1)}:`).join('|')}|`);
for (const row of rows) console.log(line(row));
