#include "html/report_rules.hpp"

namespace brelk {

std::string_view chip_rules() {
    return ".override-count { color: var(--text-muted); font-size: 0.75rem; white-space: nowrap; }"
           ".chip { display: inline-block; padding: 0 0.4rem; border-radius: 3px; font-size: 0.75rem;background: "
           "#e6f4fa; border: 1px solid #a5d8ec; color: #00618a;margin: 0.05rem 0.2rem 0.05rem 0; white-space: nowrap; }"
           ".chip .chip-key { color: var(--text-muted); margin-right: 0.25rem; }"
           ".chip.long { cursor: pointer; }"
           ".chip .caret { font-size: 0.7em; }"
           "details.chip-details { display: inline-block; vertical-align: top; }"
           "details.chip-details > summary { list-style: none; cursor: pointer; }"
           "details.chip-details > summary::-webkit-details-marker { display: none; }";
}

std::string_view chip_mends() {
    return R"css(
/* an opened chip kept pointing its caret sideways: it turns down */
details.chip-details[open] > summary .caret { display: inline-block; transform: rotate(90deg); }
/* an opened chip's diff or value squeezed into the chip's line: it takes a line of its own */
details.chip-details[open] { display: block; margin: 0.15rem 0; }
/* on the dark ground the chips kept their pale blue: a dark blue with light letters */
@media screen and (prefers-color-scheme: dark) { .chip { background: #0e3042; border-color: #1f5d7d; color: #9ad8f5; } }
)css";
}

std::string_view nothing_delivered_rules() {
    return R"css(
/* "Nothing was delivered." had no rule and read as plain text pressed against the table */
.nothing-delivered { background: #fff8e1; border: 1px solid #f0c14b; border-radius: 4px; padding: 0.5rem 0.75rem; margin: 0.5rem 0 0.75rem; font-size: 0.875rem; }
@media screen and (prefers-color-scheme: dark) { .nothing-delivered { background: #372f12; border-color: #7a6420; } }
)css";
}

}  // namespace brelk
