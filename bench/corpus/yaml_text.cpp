#include "corpus/yaml_text.hpp"

#include <algorithm>

namespace brelk::corpus {
namespace {

std::string_view provenance(const Check& check) {
    return input_provenance(check) ? "input" : "criterion";
}

void put_exemplars_flow(Buffer& out, const std::vector<Exemplar>& observed) {
    put(out, "[");
    for (std::size_t k = 0; k < observed.size(); ++k) {
        put(out, "{}{{excerpt: {}, count: {}, held: {}}}", k == 0 ? "" : ", ", Quoted{observed[k].excerpt},
            observed[k].count, observed[k].held);
    }
    put(out, "]");
}

void put_row_block(Buffer& out, const Standing& row, std::string_view indent) {
    const auto& shape = *row.check->shape;
    put(out, "{}- inputIndex: {}\n", indent, row.input);
    put(out, "{}  check: {}\n", indent, Quoted{shape.name});
    put(out, "{}  optional: {}\n", indent, shape.optional);
    put(out, "{}  passed: {}\n{}  failed: {}\n{}  skipped: {}\n", indent, row.passed, indent, row.failed, indent,
        row.skipped);
    put(out, "{}  observedFraction: {}\n", indent, Float{observed_fraction(row)});
    put(out, "{}  provenance: {}\n", indent, Quoted{provenance(*row.check)});
    if (!shape.path.empty()) put(out, "{}  path: {}\n", indent, Quoted{shape.path});
    put(out, "{}  form: {}\n", indent, Quoted{shape.form});
    if (const auto expected = expected_of(row); !expected.empty())
        put(out, "{}  expected: {}\n", indent, Quoted{expected});
    if (!row.observed.empty()) {
        put(out, "{}  observed:\n", indent);
        for (const auto& exemplar : row.observed) {
            put(out, "{}    - {{excerpt: {}, count: {}, held: {}}}\n", indent, Quoted{exemplar.excerpt}, exemplar.count,
                exemplar.held);
        }
    }
    if (row.elided != 0) put(out, "{}  elided: {}\n", indent, row.elided);
}

void put_row_flow(Buffer& out, const Standing& row, std::string_view indent) {
    const auto& shape = *row.check->shape;
    put(out,
        "{}- {{inputIndex: {}, check: {}, optional: {}, passed: {}, failed: {}, skipped: {}, "
        "observedFraction: {}, provenance: {}",
        indent, row.input, Quoted{shape.name}, shape.optional, row.passed, row.failed, row.skipped,
        Float{observed_fraction(row)}, provenance(*row.check));
    if (!shape.path.empty()) put(out, ", path: {}", Quoted{shape.path});
    put(out, ", form: {}", shape.form);
    if (const auto expected = expected_of(row); !expected.empty()) put(out, ", expected: {}", Quoted{expected});
    if (row.elided != 0) put(out, ", elided: {}", row.elided);
    if (!row.observed.empty()) {
        // Long rows wrap before their exemplars, as the producer writes them.
        put(out, ",\n{}   observed: ", indent);
        put_exemplars_flow(out, row.observed);
    }
    put(out, "}}\n");
}

}  // namespace

void put_lines(Buffer& out, const std::vector<std::string>& lines, std::string_view indent) {
    put(out, "|\n");
    for (const auto& line : lines) {
        if (line.empty()) {
            put(out, "\n");
        } else {
            put(out, "{}{}\n", indent, line);
        }
    }
}

void put_standings(Buffer& out, const CriterionResult& result, std::string_view indent, Layout rows) {
    put(out, "{}standings:\n", indent);
    if (result.criterion->slack) put(out, "{}  optionalSlack: {}\n", indent, Quoted{*result.criterion->slack});
    put(out, "{}  rows:\n", indent);
    const std::string row_indent = std::string(indent) + "    ";
    for (const auto& row : result.rows) {
        if (rows == Layout::Block) {
            put_row_block(out, row, row_indent);
        } else {
            put_row_flow(out, row, row_indent);
        }
    }
}

void put_criteria(Buffer& out, const std::vector<CriterionResult>& criteria, std::string_view indent, Layout rows) {
    put(out, "{}criteria:\n", indent);
    const std::string inner = std::string(indent) + "    ";
    for (const auto& result : criteria) {
        put(out, "{}  {}:\n", indent, result.criterion->name);
        const auto judged = result.pass + result.fail;
        put(out, "{}observedPassRate: {}\n", inner,
            Float{judged == 0 ? 0.0 : static_cast<double>(result.pass) / static_cast<double>(judged)});
        put(out, "{}pass: {}\n{}fail: {}\n", inner, result.pass, inner, result.fail);
        put_standings(out, result, inner, rows);
    }
}

void put_failures(Buffer& out, const Contract& contract, const std::vector<Failure>& failures,
                  std::string_view indent) {
    if (failures.empty()) return;
    put(out, "{}failureDistribution:\n", indent);
    for (const auto& failure : failures) {
        put(out, "{}  - {{condition: {}, count: {}, kind: {}", indent, Quoted{failure.condition}, failure.count,
            failure.kind);
        if (failure.input) {
            put(out, ", inputIndex: {}", *failure.input);
            if (failure.with_excerpt) put(out, ", inputExcerpt: {}", Quoted{contract.inputs[*failure.input]});
        }
        put(out, "}}\n");
    }
}

void put_latency_and_cost(Buffer& out, const Outcome& outcome, std::string_view indent, Layout layout) {
    const std::string_view separator = layout == Layout::Block ? "\n" : ", ";
    const std::string inner = layout == Layout::Block ? std::string(indent) + "  " : std::string();
    put(out, "{}latency:{}", indent, layout == Layout::Block ? "\n" : " {");
    if (outcome.p50) put(out, "{}p50Ms: {}{}", inner, Float{*outcome.p50}, separator);
    if (outcome.p95) put(out, "{}p95Ms: {}{}", inner, Float{*outcome.p95}, separator);
    if (outcome.p99) put(out, "{}p99Ms: {}{}", inner, Float{*outcome.p99}, separator);
    put(out, "{}sortedPassingLatenciesMs: [{}]", inner, fmt::join(outcome.latencies, ", "));
    put(out, "{}", layout == Layout::Block ? "\n" : "}\n");
    if (layout == Layout::Block) {
        put(out, "{}cost:\n{}avgTimePerSampleMs: {}\n{}avgTokensPerSample: {}\n", indent, inner, outcome.avg_time_ms,
            inner, outcome.avg_tokens);
    } else {
        put(out, "{}cost: {{avgTimePerSampleMs: {}, avgTokensPerSample: {}}}\n", indent, outcome.avg_time_ms,
            outcome.avg_tokens);
    }
}

void put_inputs(Buffer& out, const Contract& contract, std::string_view indent) {
    put(out, "{}inputs:\n", indent);
    for (std::size_t i = 0; i < contract.inputs.size(); ++i) {
        put(out, "{}  - {{inputIndex: {}, inputExcerpt: {}}}\n", indent, i, Quoted{contract.inputs[i]});
    }
}

}  // namespace brelk::corpus

fmt::format_context::iterator fmt::formatter<brelk::corpus::Quoted>::format(const brelk::corpus::Quoted& quoted,
                                                                            format_context& context) const {
    auto out = context.out();
    *out++ = '"';
    for (const char c : quoted.text) {
        if (c == '"' || c == '\\') *out++ = '\\';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

fmt::format_context::iterator fmt::formatter<brelk::corpus::Float>::format(const brelk::corpus::Float& number,
                                                                           format_context& context) const {
    const std::string text = fmt::format("{}", number.value);
    auto out = std::copy(text.begin(), text.end(), context.out());
    if (text.find_first_of(".eEn") == std::string::npos) out = fmt::format_to(out, ".0");
    return out;
}
