// Verdict records: one XML file per nightly test run of a use case.
#include <array>

#include "corpus/documents.hpp"

namespace brelk::corpus {
namespace {

constexpr std::uint64_t verdict_stream = 4;

// An attribute value with the characters XML reserves written as references.
struct Attribute {
    std::string_view text;
};

}  // namespace
}  // namespace brelk::corpus

template <>
struct fmt::formatter<brelk::corpus::Attribute> : fmt::formatter<std::string_view> {
    format_context::iterator format(const brelk::corpus::Attribute& attribute, format_context& context) const {
        auto out = context.out();
        for (const char c : attribute.text) {
            switch (c) {
                case '&':
                    out = fmt::format_to(out, "&amp;");
                    break;
                case '<':
                    out = fmt::format_to(out, "&lt;");
                    break;
                case '>':
                    out = fmt::format_to(out, "&gt;");
                    break;
                case '"':
                    out = fmt::format_to(out, "&quot;");
                    break;
                default:
                    *out++ = c;
            }
        }
        return out;
    }
};

namespace brelk::corpus {
namespace {

constexpr std::array intents{"nightly regression", "release gate", "canary after deploy"};
constexpr std::array thresholds{0.8, 0.9, 0.95};

std::string rate_text(std::uint64_t pass, std::uint64_t total) {
    return fmt::format("{:.4f}", static_cast<double>(pass) / static_cast<double>(total));
}

void put_row(Buffer& out, const Standing& row) {
    const auto& shape = *row.check->shape;
    put(out,
        "      <row input-index=\"{}\" check=\"{}\" optional=\"{}\" passed=\"{}\" failed=\"{}\" skipped=\"{}\" "
        "observed-fraction=\"{}\" provenance=\"{}\"",
        row.input, Attribute{shape.name}, shape.optional, row.passed, row.failed, row.skipped,
        Float{observed_fraction(row)}, input_provenance(*row.check) ? "input" : "criterion");
    if (!shape.path.empty()) put(out, " path=\"{}\"", Attribute{shape.path});
    put(out, " form=\"{}\"", shape.form);
    if (const auto expected = expected_of(row); !expected.empty()) put(out, " expected=\"{}\"", Attribute{expected});
    if (row.elided != 0) put(out, " elided=\"{}\"", row.elided);
    if (row.observed.empty()) {
        put(out, "/>\n");
        return;
    }
    put(out, ">\n");
    for (const auto& exemplar : row.observed) {
        put(out, "        <observed excerpt=\"{}\" count=\"{}\" held=\"{}\"/>\n", Attribute{exemplar.excerpt},
            exemplar.count, exemplar.held);
    }
    put(out, "      </row>\n");
}

Buffer run_document(const Contract& contract, const std::string& use_case, std::size_t service, std::size_t run) {
    Rng rng = rng_for(verdict_stream, service, run + 1);
    const auto samples = static_cast<std::uint32_t>(between(rng, 30, 600));
    const auto outcome = draw_outcome(rng, contract, samples, 0.8 + 0.19 * unit(rng), 900.0);

    Buffer out;
    put(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    put(out, "<verdict-record xmlns=\"https://brelk.io/verdict/1.0\" timestamp=\"2024-05-{:02}T02:00:00Z\">\n",
        run % 28 + 1);
    put(out, "  <identity use-case-id=\"{}\"/>\n", Attribute{use_case});
    put(out, "  <execution samples-executed=\"{}\" intent=\"{}\"/>\n", samples, pick(rng, intents));
    put(out, "  <per-criterion>\n");
    bool all_pass = true;
    for (const auto& result : outcome.criteria) {
        const double threshold = pick(rng, thresholds);
        const bool pass = static_cast<double>(result.pass) >= threshold * samples;
        all_pass = all_pass && pass;
        put(out,
            "    <criterion id=\"{}\" verdict=\"{}\" pass=\"{}\" total=\"{}\" observed-rate=\"{}\" "
            "threshold=\"{}\"/>\n",
            result.criterion->name, pass ? "PASS" : "FAIL", result.pass, samples, rate_text(result.pass, samples),
            threshold);
    }
    put(out, "    <composite value=\"{}\"/>\n  </per-criterion>\n  <postcondition-standings>\n",
        all_pass ? "PASS" : "FAIL");
    for (const auto& result : outcome.criteria) {
        put(out, "    <criterion name=\"{}\"", result.criterion->name);
        if (result.criterion->slack) put(out, " optional-slack=\"{}\"", Attribute{*result.criterion->slack});
        put(out, ">\n");
        for (const auto& row : result.rows) put_row(out, row);
        put(out, "    </criterion>\n");
    }
    put(out, "  </postcondition-standings>\n  <functional successes=\"{}\">\n    <failure-distribution>\n",
        outcome.successes);
    for (const auto& failure : outcome.failures_by_condition) {
        put(out, "      <check name=\"{}\" count=\"{}\" kind=\"{}\"/>\n", Attribute{failure.condition}, failure.count,
            failure.kind);
    }
    put(out,
        "    </failure-distribution>\n  </functional>\n  <termination reason=\"COMPLETED\"/>\n</verdict-record>\n");
    return out;
}

}  // namespace

void verdict_service(std::size_t service, const Emit& emit) {
    Rng rng = rng_for(verdict_stream, service);
    const auto contract = draw_contract(rng, service);
    const auto use_case = fmt::format("{}.{}", contract.service, pick(rng, actions()));
    const auto runs = between(rng, 4, 12);
    for (std::size_t r = 0; r < runs; ++r) {
        emit(fmt::format("2024-05-{:02}-nightly.xml", r % 28 + 1), run_document(contract, use_case, service, r));
    }
}

}  // namespace brelk::corpus
