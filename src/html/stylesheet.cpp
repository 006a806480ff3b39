#include "html/page.hpp"

namespace brelk {

namespace {

// Embedded in every page, so one rule per line and nothing more.
// The pieces are adjacent literals: the whole sheet is one constant.
constexpr std::string_view stylesheet =
    // Base: palette, page layout, tables, badges, bars, factor lists, tips.
    R"css(:root {--pass-color: #2e7d32; --fail-color: #c62828; --inconclusive-color: #6a1b9a;--advisory-color: #f9a825; --border-color: #dee2e6; --bg-light: #f8f9fa;--bg-white: #ffffff; --text-color: #212529; --text-muted: #6c757d;--accent-color: #009ed6; --tail-color: #e65100; --select-color: #adb5bd;}
* { box-sizing: border-box; margin: 0; padding: 0; }
@media (prefers-reduced-motion: no-preference) { html { scroll-behavior: smooth; } }
body { font-family: -apple-system, BlinkMacSystemFont, 'Segoe UI', Roboto, sans-serif; color: var(--text-color); background: var(--bg-light); line-height: 1.5; padding: 2rem; }
header, main, footer { max-width: 1200px; margin: 0 auto; }
h1 { font-size: 1.5rem; margin-bottom: 1rem; }
h2 { font-size: 1.15rem; margin: 1.5rem 0 0.5rem; border-bottom: 2px solid var(--border-color); }
h3 { font-size: 0.95rem; margin: 1rem 0 0.35rem; color: var(--text-muted); }
table { width: 100%; border-collapse: collapse; background: var(--bg-white); font-size: 0.875rem; }
th, td { text-align: left; padding: 0.4rem 0.6rem; border: 1px solid var(--border-color); }
th { background: var(--bg-light); }
td.num, td.rank { text-align: right; width: 1%; white-space: nowrap; }
.muted, .empty { color: var(--text-muted); }
.legend { font-size: 0.8rem; color: var(--text-muted); margin: 0.5rem 0 1rem; }
.timestamp { color: var(--text-muted); font-size: 0.8rem; margin-top: 1.5rem; }
pre.diff .add { color: #00618a; background: #e6f4fa; }
pre.diff .del { color: var(--text-muted); text-decoration: line-through; }
pre.diff .fold { color: var(--text-muted); font-style: italic; }
.badge { display: inline-block; padding: 0 0.4rem; border-radius: 3px; font-size: 0.75rem; }
.badge.ok { background: #e8f5e9; color: var(--pass-color); }
.badge.flagged, .badge.delivery { background: #fff8e1; color: var(--advisory-color); }
.bar-track { display: inline-block; width: 90px; height: 8px; background: var(--bg-light); border: 1px solid var(--border-color); border-radius: 4px; vertical-align: middle; }
.bar-track.narrow { width: 60px; }
.bar-fill { display: block; height: 100%; border-radius: 4px; }
.bar-fill.pass { background: var(--pass-color); }
.bar-fill.fail { background: var(--pass-color); opacity: 0.8; }
.bar-fill.muted { background: var(--text-muted); }
.factor-list summary { cursor: pointer; }
.factor-list dl { margin: 0.25rem 0 0 0.75rem; font-size: 0.8rem; }
.factor-list dt { float: left; clear: left; margin-right: 0.4rem; color: var(--text-muted); }
.factor-list.base-config { margin: 0.35rem 0 0.6rem; font-size: 0.875rem; }
.base-tag { color: var(--text-muted); font-size: 0.75rem; font-style: italic; }
details.long-value > summary { list-style: none; cursor: pointer; }
details.long-value > summary::-webkit-details-marker { display: none; }
pre { white-space: pre-wrap; overflow-wrap: anywhere; background: var(--bg-light); border: 1px solid var(--border-color); border-radius: 3px; padding: 0.3rem 0.5rem; font-size: 0.75rem; max-width: 72ch; }
.pt .tip { display: none; font-size: 9px; fill: var(--text-color); paint-order: stroke; stroke: var(--bg-white); stroke-width: 3; }
.pt:hover .tip { display: block; }
/* muted text read at 4.45:1 on the page background, amber and accent text at 1.7 to 2.9:1: text takes these tones */
:root { --text-muted: #5c636a; --advisory-text: #8a5700; --accent-text: #00618a; }
/* bars drawn in the muted colour keep it */
.bar-fill.muted { background: #6c757d; }
/* amber badge text read at 1.7:1 on its amber tint */
.badge.flagged, .badge.delivery { color: var(--advisory-text); }
/* an opened diff wrapped each line into several: it keeps one line per line and scrolls sideways */
pre.diff { white-space: pre; overflow-wrap: normal; overflow-x: auto; }
/* the strike-through ran through the "−" marker: a grey tint marks removed lines instead */
pre.diff .del { text-decoration: none; background: #eceff1; }
/* an opened diff's longest line then set the width of its table column: in a cell it takes the cell's width and scrolls */
td pre { width: 0; min-width: 100%; }
/* disclosures showed the browser's triangle, or none: every one shows ▸ closed and ▾ open */
summary { list-style-type: '\25B8\00a0'; }
:where(details[open]) > summary { list-style-type: '\25BE\00a0'; }
details.long-value > summary::before { content: '\25B8\00a0'; color: var(--accent-text); }
details.long-value[open] > summary::before { content: '\25BE\00a0'; }
/* a followed link put its target flush with the window's top edge, hiding the header above it */
[id] { scroll-margin-top: 3rem; }
/* on a narrow window a wide table scrolls inside its own box instead of widening the page */
@media screen and (max-width: 48rem) { body { padding: 1rem; } table { display: block; overflow-x: auto; } }
/* the page stayed a white sheet on a dark desktop: scrollbars and form parts follow the reader's scheme, the dark scheme takes dark grounds and light inks, and print stays light */
:root { color-scheme: light dark; }
@media print { :root { color-scheme: light; } }
@media screen and (prefers-color-scheme: dark) {
:root { --pass-color: #5cb860; --fail-color: #ef6b6b; --inconclusive-color: #b48ad6; --advisory-color: #f9a825; --border-color: #3b4249; --bg-light: #0f1113; --bg-white: #16191c; --text-color: #e3e6e8; --text-muted: #a2aab2; --accent-color: #3db4e6; --tail-color: #ff8a3d; --select-color: #7c858e; --advisory-text: #f0b64a; --accent-text: #6fc9f0; }
pre.diff .add { color: #8fd3f4; background: #0e3042; }
pre.diff .del { background: #262b30; }
.badge.ok { background: #16361b; }
.badge.flagged, .badge.delivery { background: #382c0b; }
}
)css"
    // Latency strips and standings tables.
    R"css(.pc-grid.latency .pc-head, .pc-grid.latency .lat-row { display: grid; grid-template-columns: minmax(14rem, 1fr) 28rem; align-items: center; gap: 0.25rem; padding: 0.35rem 0.6rem; border-bottom: 1px solid var(--border-color); }
.pc-grid.latency .pc-head { background: var(--bg-light); font-weight: 600; }
.pc-grid.latency .lat-row:last-child { border-bottom: none; }
.lat-cell { display: flex; align-items: center; gap: 0.6rem; }
.latency-strip-svg { overflow: visible; }
.strip-track { stroke: var(--border-color); stroke-width: 2; }
.strip-range { stroke: var(--border-color); stroke-width: 6; stroke-linecap: round; }
.strip-dot { fill: var(--text-muted); fill-opacity: 0.2; stroke: transparent; stroke-width: 10; pointer-events: all; }
.landmark { stroke: var(--bg-white); stroke-width: 1.5; }
.strip-fastest { fill: var(--pass-color); }
.strip-p50 { fill: var(--accent-color); }
.strip-p95 { fill: var(--advisory-color); }
.strip-p99 { fill: var(--tail-color); }
.strip-slowest { fill: var(--fail-color); }
.strip-only { fill: var(--accent-color); }
.strip-average { fill: none; stroke: var(--text-muted); stroke-width: 2; }
.strip-note { font-size: 0.8rem; color: var(--text-muted); white-space: nowrap; }
.strip-axis { font-variant-numeric: tabular-nums; }
p.legend.strip-axis { margin: 0.25rem 0 0.5rem; }
.mark-fastest { color: var(--pass-color); }
.mark-p50 { color: var(--accent-color); }
.mark-p95 { color: var(--advisory-color); }
.mark-p99 { color: var(--tail-color); }
.mark-slowest { color: var(--fail-color); }
.mark-average { color: var(--text-muted); }
h4.standings-name { font-family: monospace; font-size: 0.85rem; margin: 0.75rem 0 0.25rem; }
.bar-fill.standings { background: #5c7fa3; }
td.failed-nonzero { color: var(--fail-color); }
table.standings { margin-bottom: 0.75rem; }
.badge.optional, .badge.partial-credit { background: #e8eef5; color: #3d5a7a; border: 1px solid #b9c9da; }
.partial-credit-note { font-size: 0.8rem; color: var(--text-muted); margin: 0.25rem 0 0.5rem; }
.partial-credit-note code { font-size: 0.75rem; }
.standings-scroll { overflow-x: auto; }
.standings-group { margin: 0.5rem 0; }
.standings-group > summary { cursor: pointer; font-weight: 600; }
.standings-group table { margin-top: 0.35rem; }
.failing-count { color: var(--fail-color); font-weight: 600; }
tr.input-band th { background: var(--bg-white); font-weight: 600; }
tr.observed-values td { font-size: 0.75rem; }
tr.observed-values .not-held { color: var(--fail-color); }
tr.observed-values .held { color: var(--text-muted); }
.standings-scroll table { width: auto; min-width: 100%; }
.triple { white-space: nowrap; font-variant-numeric: tabular-nums; }
/* dots and the average ring drawn in the muted colour keep it */
.strip-dot { fill: #6c757d; }
.strip-average { stroke: #6c757d; }
/* legend keys in accent, amber and orange read at 2.0 to 3.8:1: the words take the muted tone, each key dot keeps its landmark's colour */
.mark-fastest, .mark-p50, .mark-p95, .mark-p99, .mark-slowest, .mark-average { display: inline-block; color: var(--text-muted); }
.mark-fastest::first-letter { color: var(--pass-color); }
.mark-p50::first-letter { color: var(--accent-color); }
.mark-p95::first-letter { color: var(--advisory-color); }
.mark-p99::first-letter { color: var(--tail-color); }
.mark-slowest::first-letter { color: var(--fail-color); }
/* on the dark ground the grey dots, drawn at a fifth of their colour, all but vanished: they are drawn light, at two fifths */
@media screen and (prefers-color-scheme: dark) {
.strip-dot { fill: #ffffff; fill-opacity: 0.4; }
.strip-average { stroke: var(--text-muted); }
.badge.optional, .badge.partial-credit { background: #1d2a38; color: #a9c4e0; border-color: #3d5a7a; }
}
)css"
    // Postcondition glyphs.
    R"css(.postconditions-svg { overflow: visible; vertical-align: middle; }
.postcondition-pass { fill: #7fa88a; }
.postcondition-skip { fill: #d9c27e; }
.postcondition-fail { fill: #c99a9a; }
th.subhead { font-weight: 400; font-size: 0.75rem; color: var(--text-muted); }
)css"
    // Outcome strips and postcondition grids. The grids read their column
    // count from --pc-columns, set by the element that opens them.
    R"css(:root { --na-color: #b3b9c0; }
.cfg-badge { display: inline-flex; align-items: center; justify-content: center; flex: none; width: 1.15rem; height: 1.15rem; margin-right: 0.35rem; border-radius: 50%; background: var(--text-color); color: #ffffff; font-size: 0.7rem; font-weight: 700; line-height: 1; vertical-align: middle; }
.outcome-strip { display: inline-flex; align-items: center; gap: 1px; vertical-align: middle; }
.outcome-strip .sq { display: block; width: 7px; height: 15px; border-radius: 1px;background: var(--na-color); }
.outcome-strip .sq-link { display: flex; align-items: center; min-width: 7px; height: 24px; padding: 0 1px; }
.outcome-strip .sq-link:hover, .outcome-strip .sq-link:focus { outline: 2px solid var(--text-color); outline-offset: 1px; }
.pc-row > summary:target, .pc-cfg:target, .pc-grid.nested .pc-row.static:target { background: #fff8e1; box-shadow: inset 3px 0 0 var(--select-color); }
.strip-legend .key { display: inline-flex; align-items: center; gap: 0.35rem; margin-left: 0.75rem; vertical-align: middle; }
.strip-legend .key .sq { display: inline-block; width: 7px; height: 15px; border-radius: 1px; }
.strip-legend .ramp { display: inline-block; width: 90px; height: 12px;border-radius: 2px; background: linear-gradient(to right, #c62828, #c77c00, #2e7d32); }
.strip-legend .ramp-ends { display: inline-flex; gap: 0.5rem; font-size: 0.7rem; }
.outcome-strip .strip-break { width: 5px; }
.crit > summary { display: grid;grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem); align-items: end; gap: 0.25rem; margin-top: 2rem; padding: 0.35rem 0.6rem; border-bottom: 2px solid var(--text-color); cursor: pointer; }
.crit-kind { color: var(--text-muted); font-size: 0.8rem; }
.crit-name { font-weight: 600; overflow-wrap: anywhere; }
.crit-note { color: var(--text-muted); font-size: 0.8rem; }
.crit-cell { display: flex; flex-direction: column; }
.crit-rate { font-size: 1.05rem; font-weight: 700; font-variant-numeric: tabular-nums; }
.crit-count { color: var(--text-muted); font-size: 0.75rem; }
.pc-grid.inputs .exp-row > summary { display: grid;grid-template-columns: minmax(9rem, 0.6fr) 6rem repeat(var(--pc-columns), minmax(0, 1fr)); align-items: stretch; gap: 0.25rem; padding: 0.35rem 0.6rem; position: relative; cursor: pointer; list-style: none; }
.pc-grid.inputs .exp-row > summary::-webkit-details-marker { display: none; }
.pc-grid.inputs .exp-row > summary > span { min-width: 0; }
.pc-grid.inputs .exp-row > summary:hover { background: var(--bg-light); }
.pc-grid.inputs .exp-row > summary::before { content: '\25B8'; color: var(--accent-color); position: absolute; left: -0.75rem; top: 0.35rem; }
.pc-grid.nested { margin: 0.35rem 0 0.35rem 1rem; }
.pc-grid.nested .pc-head, .pc-grid.nested .pc-row.static { grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem); }
.class-grid { display: grid; margin: 0.25rem 0; }
.class-row { display: grid; grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem); align-items: start; gap: 0.25rem; padding: 0.25rem 0; border-bottom: 1px solid var(--border-color); }
.class-row:last-child { border-bottom: none; }
.class-cell { display: flex; flex-direction: column; min-width: 0; }
.class-count { font-weight: 600; font-variant-numeric: tabular-nums; }
.class-where { color: var(--text-muted); font-size: 0.75rem; overflow-wrap: anywhere; }
.obtained { font-size: 0.8rem; overflow-wrap: anywhere; }
.crit-bound { color: var(--text-muted); font-size: 0.7rem; }
.latency-figures > summary { color: var(--accent-color); font-size: 0.82rem; cursor: pointer; margin: 0.5rem 0; }
.pc-grid { margin: 0.5rem 0 1rem; background: var(--bg-white); font-size: 0.875rem; }
.pc-head, .pc-row > summary, .pc-row.static { display: grid; grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem); align-items: center; gap: 0.25rem; padding: 0.35rem 0.6rem; border-bottom: 1px solid var(--border-color); }
.pc-head { background: var(--bg-light); font-size: 0.8rem; font-weight: 600; }
.pc-cfg-head { display: flex; align-items: center; min-width: 0; }
.pc-cfg-head .cfg-badge { flex: none; }
.pc-cfg-head .cfg-name { overflow: hidden; text-overflow: ellipsis; white-space: nowrap; }
.pc-row > summary { position: relative; cursor: pointer; list-style: none; }
.pc-row > summary::-webkit-details-marker { display: none; }
.pc-row > summary::before { content: '\25B8'; color: var(--accent-color); position: absolute; left: -0.75rem; }
.pc-row[open] > summary::before { content: '\25BE'; }
.pc-row > summary:hover { background: var(--bg-light); }
.pc-label { min-width: 0; overflow-wrap: anywhere; }
.pc-label code { font-size: 0.8rem; }
.pc-cell { min-width: 0; font-variant-numeric: tabular-nums; }
.pc-cell.samples { color: var(--text-muted); }
.pc-grid.inputs .pc-head, .pc-grid.inputs .pc-row.static { grid-template-columns: minmax(9rem, 0.6fr) 6rem repeat(var(--pc-columns), minmax(0, 1fr)); align-items: stretch; }
.pc-grid.inputs .pc-cell { padding: 0.1rem 0.25rem; }
.pc-pair > .pc-cell { flex: none; }
.pc-pair { display: flex; align-items: center; gap: 0.4rem; min-width: 0; }
.pc-pair-head { font-weight: 600; }
.pc-grid.inputs .pc-pair { align-items: flex-start; }
.pc-grid.inputs .outcome-strip { display: flex; flex-wrap: wrap; row-gap: 2px; }
.cfg-name { min-width: 0; overflow-wrap: anywhere; }
.pc-grid.inputs .pc-cell.samples { text-align: right; }
.pc-strip { display: flex; flex-direction: column; gap: 2px; }
.pc-strip .outcome-strip + .outcome-strip { margin-top: 2px; }
.mark { font-weight: 600; font-variant-numeric: tabular-nums; }
.mark .n { color: var(--text-muted); font-weight: 400; }
.m-pass { color: var(--pass-color); }
.m-fail { color: var(--fail-color); }
.m-none { color: #c77c00; }
.pc-panel { padding: 0.35rem 0.6rem 0.6rem; background: var(--bg-light); border-bottom: 1px solid var(--border-color); }
.pc-cfg { padding: 0.35rem 0; border-bottom: 1px dashed var(--border-color); }
.pc-cfg:last-child { border-bottom: none; }
.pc-who { display: flex; align-items: center; font-weight: 600; margin-bottom: 0.2rem; }
.pc-class { display: grid; grid-template-columns: 1.25rem minmax(0, 1fr) auto; gap: 0.4rem; align-items: baseline; }
.pc-class .g { font-weight: 700; text-align: center; }
.pc-class .txt { min-width: 0; overflow-wrap: anywhere; }
.pc-class .cnt { color: var(--text-muted); white-space: nowrap; font-variant-numeric: tabular-nums; }
.pc-expected, .pc-tail { color: var(--text-muted); font-size: 0.8rem; margin-top: 0.35rem; }
.pc-tail { font-style: italic; }
details.pc-full > summary { color: var(--accent-color); font-size: 0.8rem; cursor: pointer; }
details.pc-full pre { max-height: 18em; overflow: auto; }
details.pc-collapsed { margin: 0.25rem 0; }
details.pc-collapsed > summary { color: var(--text-muted); font-size: 0.8rem; cursor: pointer; }
h4.criterion { font-size: 0.9rem; margin: 1rem 0 0.35rem; }
/* accent text and markers read at 2.9:1 on the light background */
.pc-row > summary::before, .pc-grid.inputs .exp-row > summary::before, .latency-figures > summary, details.pc-full > summary { color: var(--accent-text); }
/* amber "never evaluated" marks read at 3.2:1 */
.m-none { color: var(--advisory-text); }
/* tallies written in their ramp colour read at 2.0 to 4.4:1: the text is darkened, its hue kept */
.mark, .crit-rate { -webkit-text-fill-color: color-mix(in srgb, currentColor 55%, black); }
/* an opened input row kept ▸: the input rows' marker rule outranked the open one */
.pc-grid.inputs .exp-row[open] > summary::before { content: '\25BE'; }
/* criterion headings, laid out as grids, showed no marker at all */
.crit > summary { position: relative; list-style: none; }
.crit > summary::-webkit-details-marker { display: none; }
.crit > summary::before { content: '\25B8'; color: var(--accent-text); position: absolute; left: -0.75rem; bottom: 0.35rem; }
.crit[open] > summary::before { content: '\25BE'; }
/* wide comparisons made the page as wide as all their columns: each grid scrolls sideways in its own box, with room for the row markers on its left */
.pc-grid:not(.nested), .crit { overflow-x: auto; padding-left: 1rem; margin-left: -1rem; background-clip: content-box; }
.pc-grid > *, .crit > summary { min-width: min-content; }
/* a scrolling heading no longer shares its top margin with what stands above it */
.crit > summary { margin-top: 1rem; }
/* input columns shrank to nothing, stacking names a letter a line over the tallies: they keep 4rem */
.pc-grid.inputs > .pc-head, .pc-grid.inputs > .pc-row.static, .pc-grid.inputs .exp-row > summary { grid-template-columns: minmax(9rem, 0.6fr) 6rem repeat(var(--pc-columns), minmax(4rem, 1fr)); }
/* their names then broke inside words: a name that does not fit ends in an ellipsis, as in the other grids' heads */
.pc-grid.inputs .pc-pair-head .cfg-name { overflow: hidden; text-overflow: ellipsis; white-space: nowrap; }
/* the by-input rule reaches the heads and rows of the grids nested in its input rows too: those keep their own columns */
.pc-grid.inputs .pc-grid.nested .pc-head, .pc-grid.inputs .pc-grid.nested .pc-row.static { align-items: center; }
@media screen { .pc-grid.inputs .pc-grid.nested .pc-head, .pc-grid.inputs .pc-grid.nested .pc-row.static { grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem); } }
/* in a narrow input column a tally and its squares ran over the next column's tally: the squares go below it */
.pc-grid.inputs .pc-pair { flex-wrap: wrap; row-gap: 2px; }
/* from the hundredth configuration on, a badge's digits spilled out of its circle: it grows into a pill as wide as they need, while one and two digits keep the circle */
.cfg-badge { width: auto; min-width: 1.15rem; padding: 0 max(1px, calc(0.575rem - 1ch)); border-radius: 0.575rem; font-variant-numeric: tabular-nums; }
/* the ramp's end words stood side by side after it ("none held all held"): each stands at its own end */
.strip-legend .ramp-ends { display: contents; }
.strip-legend .ramp-ends > :first-child { order: -1; }
/* a large exploration laid out every row before its first paint: what lies far from the window waits until it comes near, keeping the size it last had */
@media screen {
.crit, .pc-grid:not(.latency), .class-grid, details.latency-figures { content-visibility: auto; contain-intrinsic-size: auto 600px; }
.pc-grid.latency .lat-row { content-visibility: auto; contain-intrinsic-size: auto 2.3rem; }
}
/* the dark scheme: the badges' white digits take the ground's colour, the arrival band a dark amber, and the ramp colours written on squares and in tallies are lifted, hues and order kept */
@media screen and (prefers-color-scheme: dark) {
:root { --na-color: #6b737b; }
.cfg-badge { color: var(--bg-white); }
.pc-row > summary:target, .pc-cfg:target, .pc-grid.nested .pc-row.static:target { background: #372f12; }
.outcome-strip .sq, .strip-legend .sq, .strip-legend .ramp { filter: brightness(1.3); }
.mark, .crit-rate { -webkit-text-fill-color: color-mix(in srgb, currentColor 55%, white); }
}
/* printing shrank the screen layout onto the sheet and dropped whatever closed disclosures held: the print layout */
@media print {
@page { size: A4 portrait; margin: 12mm; }
* { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
html { font-size: 12px; }
body { padding: 0; background: var(--bg-white); }
header, main, footer { max-width: none; }
th, td { padding: 0.3rem 0.35rem; }
.bar-track { width: 4rem; }
.bar-track.narrow { width: 3rem; }
td .chip { white-space: normal; }
details::details-content { content-visibility: visible; }
summary { list-style: none; }
summary::before, summary .caret { visibility: hidden; }
.pc-grid:not(.nested), .crit, pre.diff, .standings-scroll { overflow: visible; }
pre.diff { white-space: pre-wrap; overflow-wrap: anywhere; }
.pc-grid > *, .crit > summary { min-width: 0; }
.crit > summary, .pc-head, .pc-row > summary, .pc-row.static, .class-row, .pc-grid.nested .pc-head, .pc-grid.nested .pc-row.static { grid-template-columns: minmax(10rem, 1.5fr) repeat(var(--pc-columns), minmax(0, 1fr)); }
.pc-grid.inputs > .pc-head, .pc-grid.inputs > .pc-row.static, .pc-grid.inputs .exp-row > summary { grid-template-columns: minmax(8rem, 0.6fr) 4rem repeat(var(--pc-columns), minmax(0, 1fr)); }
.pc-grid.latency .pc-head, .pc-grid.latency .lat-row { grid-template-columns: minmax(8rem, 1fr) auto; }
tr, .pc-head, .pc-row > summary, .pc-row.static, .class-row, .lat-row, .pc-cfg, .pc-class, .nothing-measured { break-inside: avoid; }
h2, h3, h4, .crit > summary { break-after: avoid; }
}
)css";

}  // namespace

std::string_view shared_stylesheet() { return stylesheet; }

}  // namespace brelk
