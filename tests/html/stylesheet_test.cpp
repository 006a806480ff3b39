// The shared stylesheet carries every rule of its four pieces as written, in
// order, each piece's mends after its rules. A rule the browser cannot parse
// is dropped without a word, so a mistyped selector shows nowhere else.
#include <gtest/gtest.h>

#include "css_rules.hpp"
#include "html/page.hpp"

namespace brelk::testing {
namespace {

const std::vector<Written> base_piece = {
    quoted(":root {--pass-color: #2e7d32; --fail-color: #c62828; --inconclusive-color: #6a1b9a;--advisory-color: "
           "#f9a825; --border-color: #dee2e6; --bg-light: #f8f9fa;--bg-white: #ffffff; --text-color: #212529; "
           "--text-muted: #6c757d;--accent-color: #009ed6; --tail-color: #e65100; --select-color: #adb5bd;}"),
    quoted("* { box-sizing: border-box; margin: 0; padding: 0; }"),
    quoted("@media (prefers-reduced-motion: no-preference) { html { scroll-behavior: smooth; } }"),
    quoted("body { font-family: -apple-system, BlinkMacSystemFont, 'Segoe UI', Roboto, sans-serif; color: "
           "var(--text-color); background: var(--bg-light); line-height: 1.5; padding: 2rem; }"),
    quoted("header, main, footer { max-width: 1200px; margin: 0 auto; }"),
    quoted("h1 { font-size: 1.5rem; margin-bottom: 1rem; }"),
    quoted("h2 { font-size: 1.15rem; margin: 1.5rem 0 0.5rem; border-bottom: 2px solid var(--border-color); }"),
    quoted("h3 { font-size: 0.95rem; margin: 1rem 0 0.35rem; color: var(--text-muted); }"),
    quoted("table { width: 100%; border-collapse: collapse; background: var(--bg-white); font-size: 0.875rem; }"),
    quoted("th, td { text-align: left; padding: 0.4rem 0.6rem; border: 1px solid var(--border-color); }"),
    quoted("th { background: var(--bg-light); }"),
    quoted("td.num, td.rank { text-align: right; width: 1%; white-space: nowrap; }"),
    quoted(".muted, .empty { color: var(--text-muted); }"),
    quoted(".legend { font-size: 0.8rem; color: var(--text-muted); margin: 0.5rem 0 1rem; }"),
    quoted(".timestamp { color: var(--text-muted); font-size: 0.8rem; margin-top: 1.5rem; }"),
    quoted("pre.diff .add { color: #00618a; background: #e6f4fa; }"),
    quoted("pre.diff .del { color: var(--text-muted); text-decoration: line-through; }"),
    quoted("pre.diff .fold { color: var(--text-muted); font-style: italic; }"),
    quoted(".badge { display: inline-block; padding: 0 0.4rem; border-radius: 3px; font-size: 0.75rem; }"),
    quoted(".badge.ok { background: #e8f5e9; color: var(--pass-color); }"),
    quoted(".badge.flagged, .badge.delivery { background: #fff8e1; color: var(--advisory-color); }"),
    quoted(".bar-track { display: inline-block; width: 90px; height: 8px; background: var(--bg-light); border: 1px "
           "solid var(--border-color); border-radius: 4px; vertical-align: middle; }"),
    quoted(".bar-track.narrow { width: 60px; }"),
    quoted(".bar-fill { display: block; height: 100%; border-radius: 4px; }"),
    quoted(".bar-fill.pass { background: var(--pass-color); }"),
    quoted(".bar-fill.fail { background: var(--pass-color); opacity: 0.8; }"),
    quoted(".bar-fill.muted { background: var(--text-muted); }"),
    quoted(".factor-list summary { cursor: pointer; }"),
    quoted(".factor-list dl { margin: 0.25rem 0 0 0.75rem; font-size: 0.8rem; }"),
    quoted(".factor-list dt { float: left; clear: left; margin-right: 0.4rem; color: var(--text-muted); }"),
    quoted(".factor-list.base-config { margin: 0.35rem 0 0.6rem; font-size: 0.875rem; }"),
    quoted(".base-tag { color: var(--text-muted); font-size: 0.75rem; font-style: italic; }"),
    quoted("details.long-value > summary { list-style: none; cursor: pointer; }"),
    {"details.long-value > summary::-webkit-details-marker", {"display: none"}},
    quoted("pre { white-space: pre-wrap; overflow-wrap: anywhere; background: var(--bg-light); border: 1px solid "
           "var(--border-color); border-radius: 3px; padding: 0.3rem 0.5rem; font-size: 0.75rem; max-width: 72ch; }"),
    quoted(".pt .tip { display: none; font-size: 9px; fill: var(--text-color); paint-order: stroke; stroke: "
           "var(--bg-white); stroke-width: 3; }"),
    quoted(".pt:hover .tip { display: block; }"),
};

const std::vector<Written> latency_and_standings_piece = {
    {".pc-grid.latency .pc-head, .pc-grid.latency .lat-row",
     {"display: grid", "grid-template-columns: minmax(14rem, 1fr) 28rem", "align-items: center", "gap: 0.25rem",
      "padding: 0.35rem 0.6rem", "border-bottom: 1px solid var(--border-color)"}},
    {".pc-grid.latency .pc-head", {"background: var(--bg-light)", "font-weight: 600"}},
    {".pc-grid.latency .lat-row:last-child"},
    {".lat-cell", {"display: flex", "gap: 0.6rem"}},
    {".latency-strip-svg", {"overflow: visible"}},
    {".strip-track", {"stroke: var(--border-color)", "stroke-width: 2"}},
    {".strip-range", {"stroke: var(--border-color)", "stroke-width: 6", "stroke-linecap: round"}},
    {".strip-dot",
     {"fill: var(--text-muted)", "fill-opacity: 0.2", "stroke: transparent", "stroke-width: 10", "pointer-events: all"}},
    {".landmark", {"stroke: var(--bg-white)", "stroke-width: 1.5"}},
    {".strip-fastest", {"fill: var(--pass-color)"}},
    {".strip-p50", {"fill: var(--accent-color)"}},
    {".strip-p95", {"fill: var(--advisory-color)"}},
    {".strip-p99", {"fill: var(--tail-color)"}},
    {".strip-slowest", {"fill: var(--fail-color)"}},
    {".strip-only", {"fill: var(--accent-color)"}},
    {".strip-average", {"fill: none", "stroke: var(--text-muted)", "stroke-width: 2"}},
    {".strip-note"},
    {".strip-axis"},
    {"p.legend.strip-axis"},
    {".mark-fastest", {"color: var(--pass-color)"}},
    {".mark-p50", {"color: var(--accent-color)"}},
    {".mark-p95", {"color: var(--advisory-color)"}},
    {".mark-p99", {"color: var(--tail-color)"}},
    {".mark-slowest", {"color: var(--fail-color)"}},
    {".mark-average", {"color: var(--text-muted)"}},
    {"h4.standings-name", {"font-family: monospace", "font-size: 0.85rem"}},
    {".bar-fill.standings", {"background: #5c7fa3"}},
    {"td.failed-nonzero", {"color: var(--fail-color)"}},
    {"table.standings"},
    {".badge.optional, .badge.partial-credit", {"background: #e8eef5", "color: #3d5a7a", "border: 1px solid #b9c9da"}},
    {".partial-credit-note"},
    {".partial-credit-note code"},
    {".standings-scroll", {"overflow-x: auto"}},
    {".standings-group"},
    {".standings-group > summary"},
    {".standings-group table"},
    {".failing-count", {"color: var(--fail-color)", "font-weight: 600"}},
    {"tr.input-band th"},
    {"tr.observed-values td"},
    {"tr.observed-values .not-held", {"color: var(--fail-color)"}},
    {"tr.observed-values .held", {"color: var(--text-muted)"}},
    {".standings-scroll table"},
    {".triple"},
};

const std::vector<Written> glyph_piece = {
    quoted(".postconditions-svg { overflow: visible; vertical-align: middle; }"),
    quoted(".postcondition-pass { fill: #7fa88a; }"),
    quoted(".postcondition-skip { fill: #d9c27e; }"),
    quoted(".postcondition-fail { fill: #c99a9a; }"),
    quoted("th.subhead { font-weight: 400; font-size: 0.75rem; color: var(--text-muted); }"),
};

const std::vector<Written> strip_and_grid_piece = {
    quoted(":root { --na-color: #b3b9c0; }"),
    {".cfg-badge",
     {"width: 1.15rem", "height: 1.15rem", "border-radius: 50%", "background: var(--text-color)", "color: #ffffff",
      "font-size: 0.7rem", "font-weight: 700"}},
    {".outcome-strip", {"display: inline-flex", "gap: 1px"}},
    quoted(".outcome-strip .sq { display: block; width: 7px; height: 15px; border-radius: 1px;background: "
           "var(--na-color); }"),
    {".outcome-strip .sq-link", {"min-width: 7px", "height: 24px", "padding: 0 1px"}},
    {".outcome-strip .sq-link:hover, .outcome-strip .sq-link:focus",
     {"outline: 2px solid var(--text-color)", "outline-offset: 1px"}},
    {".pc-row > summary:target, .pc-cfg:target, .pc-grid.nested .pc-row.static:target",
     {"background: #fff8e1", "box-shadow: inset 3px 0 0 var(--select-color)"}},
    {".strip-legend .key"},
    {".strip-legend .key .sq"},
    quoted(".strip-legend .ramp { display: inline-block; width: 90px; height: 12px;border-radius: 2px; background: "
           "linear-gradient(to right, #c62828, #c77c00, #2e7d32); }"),
    {".strip-legend .ramp-ends"},
    quoted(".outcome-strip .strip-break { width: 5px; }"),
    {".crit > summary",
     {"align-items: end", "margin-top: 2rem", "border-bottom: 2px solid var(--text-color)"},
     ".crit > summary { display: grid;grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem);"},
    {".crit-kind"},
    {".crit-name"},
    {".crit-note"},
    {".crit-cell"},
    {".crit-rate", {"font-size: 1.05rem", "font-weight: 700", "font-variant-numeric: tabular-nums"}},
    {".crit-count"},
    {".pc-grid.inputs .exp-row > summary",
     {},
     ".pc-grid.inputs .exp-row > summary { display: grid;grid-template-columns: minmax(9rem, 0.6fr) 6rem "
     "repeat(var(--pc-columns), minmax(0, 1fr));"},
    {".pc-grid.inputs .exp-row > summary::-webkit-details-marker", {"display: none"}},
    {".pc-grid.inputs .exp-row > summary > span"},
    {".pc-grid.inputs .exp-row > summary:hover"},
    {".pc-grid.inputs .exp-row > summary::before"},
    {".pc-grid.nested"},
    {".pc-grid.nested .pc-head, .pc-grid.nested .pc-row.static",
     {"grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem)"}},
    {".class-grid"},
    {".class-row", {"grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem)", "align-items: start"}},
    {".class-row:last-child"},
    {".class-cell"},
    {".class-count"},
    {".class-where"},
    {".obtained"},
    {".crit-bound"},
    {".latency-figures > summary", {"color: var(--accent-color)", "font-size: 0.82rem"}},
    {".pc-grid"},
    {".pc-head, .pc-row > summary, .pc-row.static",
     {"grid-template-columns: minmax(14rem, 1fr) repeat(var(--pc-columns), 8rem)", "gap: 0.25rem",
      "padding: 0.35rem 0.6rem"}},
    {".pc-head"},
    {".pc-cfg-head"},
    {".pc-cfg-head .cfg-badge"},
    {".pc-cfg-head .cfg-name", {"text-overflow: ellipsis"}},
    {".pc-row > summary", {"list-style: none"}},
    {".pc-row > summary::-webkit-details-marker", {"display: none"}},
    {".pc-row > summary::before",
     {"content: '\\25B8'", "color: var(--accent-color)", "position: absolute", "left: -0.75rem"}},
    {".pc-row[open] > summary::before", {"content: '\\25BE'"}},
    {".pc-row > summary:hover"},
    {".pc-label"},
    {".pc-label code"},
    {".pc-cell"},
    {".pc-cell.samples"},
    {".pc-grid.inputs .pc-head, .pc-grid.inputs .pc-row.static",
     {"grid-template-columns: minmax(9rem, 0.6fr) 6rem repeat(var(--pc-columns), minmax(0, 1fr))",
      "align-items: stretch"}},
    {".pc-grid.inputs .pc-cell"},
    {".pc-pair > .pc-cell"},
    {".pc-pair"},
    {".pc-pair-head"},
    {".pc-grid.inputs .pc-pair"},
    {".pc-grid.inputs .outcome-strip", {"display: flex", "flex-wrap: wrap", "row-gap: 2px"}},
    {".cfg-name"},
    {".pc-grid.inputs .pc-cell.samples"},
    {".pc-strip"},
    {".pc-strip .outcome-strip + .outcome-strip"},
    {".mark"},
    {".mark .n"},
    {".m-pass", {"color: var(--pass-color)"}},
    {".m-fail", {"color: var(--fail-color)"}},
    {".m-none", {"color: #c77c00"}},
    {".pc-panel"},
    {".pc-cfg"},
    {".pc-cfg:last-child"},
    {".pc-who"},
    {".pc-class"},
    {".pc-class .g"},
    {".pc-class .txt"},
    {".pc-class .cnt"},
    {".pc-expected, .pc-tail"},
    {".pc-tail", {"font-style: italic"}},
    {"details.pc-full > summary"},
    {"details.pc-full pre", {"max-height: 18em"}},
    {"details.pc-collapsed"},
    {"details.pc-collapsed > summary"},
    {"h4.criterion"},
};

TEST(Stylesheet, EveryWrittenRuleOfTheSharedPiecesStandsInOrderBeforeItsMends) {
    const auto rules = css_rules(shared_stylesheet());
    EXPECT_TRUE(written_then_mends(rules, {base_piece, latency_and_standings_piece, glyph_piece, strip_and_grid_piece}));
}

// The check itself: a rule whose selector the browser would drop, one that
// loses a declaration, and one moved out of its place are each caught.
TEST(Stylesheet, AMistypedMissingOrMovedRuleIsCaught) {
    const std::vector<Written> piece = {
        {".pc-row > summary", {"list-style: none"}},
        quoted(".outcome-strip .strip-break { width: 5px; }"),
    };
    const auto check = [&](std::string_view sheet) { return bool(written_then_mends(css_rules(sheet), {piece})); };
    EXPECT_TRUE(check(".pc-row > summary { cursor: pointer; list-style: none; }\n/* a mend */\n"
                      ".outcome-strip .strip-break { width: 5px; }\n.mend { color: red; }"));
    EXPECT_FALSE(check(".pc-row >= summary { list-style: none; }.outcome-strip .strip-break { width: 5px; }"));
    EXPECT_FALSE(check(".pc-row > summary { cursor: pointer; }.outcome-strip .strip-break { width: 5px; }"));
    EXPECT_FALSE(check(".pc-row > summary { list-style: none; }.outcome-strip .strip-break { width: 6px; }"));
    EXPECT_FALSE(check(".outcome-strip .strip-break { width: 5px; }.pc-row > summary { list-style: none; }"));
    EXPECT_FALSE(check(".pc-row > summary { list-style: none; }"));
}

}  // namespace
}  // namespace brelk::testing
