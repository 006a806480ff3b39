// Each report's own stylesheet piece, as its page carries it after the shared
// sheet: every written rule, exactly and in order, before the mends.
#include <gtest/gtest.h>

#include "css_rules.hpp"
#include "e2e/harness.hpp"
#include "html/page.hpp"

namespace brelk::testing {
namespace {

const std::vector<Written> explore_piece = {
    quoted(".config-name { font-weight: 600; }"),
    quoted("tr.declined { opacity: 0.82; }"),
    quoted("tr.declined-divider td { background: var(--bg-light); color: var(--text-muted);font-size: 0.8rem; }"),
    quoted(".declined-reason { color: var(--text-muted); font-size: 0.78rem; font-weight: 400; }"),
    quoted(".never-evaluated { display: block; color: #c77c00; font-size: 0.72rem; white-space: nowrap; }"),
    quoted(".declined-timing { color: #c77c00; font-size: 0.78rem; font-weight: 400; }"),
    quoted("table.config-key td.num { text-align: center; }"),
    quoted("table.config-key .config-name { font-weight: 600; overflow-wrap: anywhere; }"),
    quoted("table.config-key td.differs { max-width: 30rem; }"),
    quoted(".evidence { color: #c77c00; font-size: 0.75rem; }"),
    quoted(".nothing-measured { background: #fff8e1; border: 1px solid #f0c14b; border-radius: 4px;padding: 0.5rem "
           "0.75rem; margin: 0.5rem 0 0.75rem; font-size: 0.875rem; }"),
    quoted(".overrides { max-width: 26rem; }"),
    quoted(".override-count { color: var(--text-muted); font-size: 0.75rem; white-space: nowrap; }"),
    quoted(".chip { display: inline-block; padding: 0 0.4rem; border-radius: 3px; font-size: 0.75rem;background: "
           "#e6f4fa; border: 1px solid #a5d8ec; color: #00618a;margin: 0.05rem 0.2rem 0.05rem 0; white-space: nowrap; }"),
    quoted(".chip .chip-key { color: var(--text-muted); margin-right: 0.25rem; }"),
    quoted(".chip.long { cursor: pointer; }"),
    quoted(".chip .caret { font-size: 0.7em; }"),
    quoted("details.chip-details { display: inline-block; vertical-align: top; }"),
    quoted("details.chip-details > summary { list-style: none; cursor: pointer; }"),
    quoted("details.chip-details > summary::-webkit-details-marker { display: none; }"),
};

const std::vector<Written> optimize_piece = {
    quoted(".bar-fill.score { background: var(--accent-color); }"),
    quoted(".convergence { font-size: 0.875rem; margin: 0.25rem 0 0.75rem; }"),
    quoted("tr.best-row td { background: #e8f5e9; }"),
    quoted(".badge.best { background: #e8f5e9; color: var(--pass-color); border: 1px solid var(--pass-color); }"),
    quoted(".trajectory-svg { overflow: visible; }"),
    quoted(".trajectory-line { fill: none; stroke: var(--accent-color); stroke-width: 2; }"),
    quoted(".trajectory-dot { fill: var(--accent-color); }"),
    quoted(".trajectory-best { fill: var(--pass-color); stroke: var(--bg-white); stroke-width: 1.5; }"),
    quoted(".trajectory-note { font-size: 0.75rem; color: var(--text-muted); }"),
    quoted(".mark-best { color: var(--pass-color); }"),
    quoted(".stated-block { background: var(--bg-white); border: 1px solid var(--border-color);padding: 0.5rem "
           "0.75rem; font-size: 0.8rem; }"),
    quoted(".stated-block dl dl { margin-left: 1rem; }"),
    quoted(".stated-block dt { color: var(--text-muted); }"),
    quoted(".stated-block dd { margin: 0 0 0.25rem 1rem; }"),
    quoted(".stated-block ol { margin: 0 0 0.25rem 1.5rem; }"),
};

const std::vector<Written> measure_piece = {
    quoted(".record-facts { color: var(--text-muted); font-size: 0.8rem; margin: 0.25rem 0 0.5rem; }"),
    quoted("h2 .measured-under { color: var(--text-muted); font-size: 0.8rem; font-weight: 400; }"),
    quoted(".bar-track.varied { position: relative; width: 120px; }"),
    quoted(".ordinary-variation { position: absolute; top: 0; bottom: 0;background: repeating-linear-gradient(45deg, "
           "var(--pass-color) 0 2px, transparent 2px 5px);border-top: 1px solid var(--border-color); border-bottom: "
           "1px solid var(--border-color); }"),
    quoted(".observed-mark, .bound-mark { position: absolute; top: -3px; bottom: -3px; width: 2px;background: "
           "var(--text-color); }"),
    quoted(".at-least { color: var(--text-muted); }"),
};

const std::vector<Written> verdict_piece = {
    quoted(".verdict-pass { color: var(--pass-color); font-weight: 600; }"),
    quoted(".verdict-fail { color: var(--fail-color); font-weight: 600; }"),
    quoted(".run-facts { color: var(--text-muted); font-size: 0.8rem; margin: 0.25rem 0 0.5rem; }"),
};

TEST(ReportStylesheet, EachPageCarriesItsWrittenPieceInOrderBeforeItsMends) {
    const std::filesystem::path source = BRELK_SOURCE_DIR;
    const std::vector<std::pair<std::vector<std::string>, const std::vector<Written>*>> reports = {
        {{"explore", "examples/explore"}, &explore_piece},
        {{"optimize", "examples/optimize"}, &optimize_piece},
        {{"optimize", "examples/optimize", "--hide-scores"}, &optimize_piece},
        {{"measure", "examples/measure"}, &measure_piece},
        {{"verdict", "examples/verdict"}, &verdict_piece},
    };
    for (const auto& [command, piece] : reports) {
        const auto page = run_brelk(command, source).out;
        const auto style = between(page, "<style>", "</style>");
        const std::string shared(shared_stylesheet());
        ASSERT_EQ(style.substr(7, shared.size()), shared) << command[0];
        const auto own = style.substr(7 + shared.size(), style.size() - 7 - shared.size() - 8);
        EXPECT_TRUE(written_then_mends(css_rules(own), {*piece})) << command[0];
    }
}

}  // namespace
}  // namespace brelk::testing
