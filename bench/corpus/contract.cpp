#include "corpus/contract.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace brelk::corpus {
namespace {

// The items in a random order, as pointers into the fixed word lists.
template <class T>
std::vector<const T*> shuffled(Rng& rng, std::span<const T> items) {
    std::vector<const T*> order;
    for (const auto& item : items) order.push_back(&item);
    for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[next(rng) % i]);
    return order;
}

std::string expected_for(Rng& rng, Expectation expectation, std::size_t input) {
    switch (expectation) {
        case Expectation::Price:
            return fmt::format("{:.2f}", static_cast<double>(between(rng, 150, 25000)) / 100.0);
        case Expectation::Sku:
            return fmt::format("SKU-{:05}-{}", between(rng, 1, 99999), "ABCDEFGH"[input % 8]);
        case Expectation::Action:
            return std::string(pick(rng, actions()));
        case Expectation::Category:
            return std::string(pick(rng, categories()));
        case Expectation::Urgency:
            return std::string(pick(rng, urgencies()));
        case Expectation::None:
        case Expectation::Fixed:
            break;
    }
    return {};
}

Check draw_check(Rng& rng, const CheckTemplate& shape, std::size_t inputs) {
    Check check{&shape, {}};
    if (shape.expectation == Expectation::Fixed) check.expected.emplace_back(shape.fixed);
    if (shape.expectation == Expectation::None || shape.expectation == Expectation::Fixed) return check;
    for (std::size_t i = 0; i < inputs; ++i) check.expected.push_back(expected_for(rng, shape.expectation, i));
    return check;
}

// Splits `total` into `parts` counts that add up to it, the first ones largest.
std::vector<std::uint64_t> split(Rng& rng, std::uint64_t total, std::size_t parts) {
    std::vector<std::uint64_t> counts;
    for (std::size_t k = 0; k + 1 < parts && total > 0; ++k) {
        const std::uint64_t share = std::max<std::uint64_t>(1, total * between(rng, 40, 80) / 100);
        counts.push_back(share);
        total -= share;
    }
    if (total > 0) counts.push_back(total);
    return counts;
}

Standing draw_standing(Rng& rng, const Check& check, std::size_t input, std::uint64_t samples, double failure_rate) {
    Standing row{input, &check, 0, 0, 0, 0, {}};
    row.skipped = chance(rng, 0.15) ? std::min<std::uint64_t>(samples, between(rng, 1, 2)) : 0;
    const auto judged = samples - row.skipped;
    const double expected_failures = static_cast<double>(judged) * failure_rate * (0.25 + 1.5 * unit(rng));
    row.failed = std::min<std::uint64_t>(judged, static_cast<std::uint64_t>(std::floor(expected_failures + unit(rng))));
    row.passed = judged - row.failed;
    if (row.failed > 0) {
        const auto answers = shuffled(rng, wrong_answers());
        std::size_t k = 0;
        for (auto count : split(rng, row.failed, between(rng, 1, 3)))
            row.observed.push_back({std::string(*answers[k++]), count, false});
        if (row.failed > 3 && chance(rng, 0.3)) row.elided = between(rng, 1, 2);
    }
    // Checks against an expected value of the input also show the value that held.
    if (input_provenance(check) && row.passed > 0 && chance(rng, 0.4)) {
        row.observed.insert(row.observed.begin(), {std::string(expected_of(row)), row.passed, true});
    }
    return row;
}

double percentile(const std::vector<std::uint64_t>& sorted, double q) {
    const double at = q * static_cast<double>(sorted.size() - 1);
    const auto low = static_cast<std::size_t>(at);
    const auto high = std::min(low + 1, sorted.size() - 1);
    const double value = static_cast<double>(sorted[low]) +
                         (at - static_cast<double>(low)) * static_cast<double>(sorted[high] - sorted[low]);
    return std::round(value * 10.0) / 10.0;
}

void draw_latencies(Rng& rng, Outcome& outcome, double median_ms) {
    for (std::uint32_t s = 0; s < outcome.successes; ++s) {
        const double ms = median_ms * std::exp(0.3 * normal(rng) + (chance(rng, 0.03) ? 0.8 : 0.0));
        outcome.latencies.push_back(std::max<std::uint64_t>(40, static_cast<std::uint64_t>(ms)));
    }
    std::sort(outcome.latencies.begin(), outcome.latencies.end());
    const auto n = outcome.latencies.size();
    if (n >= 1) outcome.p50 = percentile(outcome.latencies, 0.50);
    if (n >= 20) outcome.p95 = percentile(outcome.latencies, 0.95);
    if (n >= 100) outcome.p99 = percentile(outcome.latencies, 0.99);
    const double sum = std::accumulate(outcome.latencies.begin(), outcome.latencies.end(), 0.0);
    outcome.avg_time_ms = static_cast<std::uint64_t>(n == 0 ? median_ms : sum / static_cast<double>(n) * 1.1);
    outcome.avg_tokens = between(rng, 150, 1500);
}

// What failed, as the testing tool tallies it: dropped connections first,
// then every check that failed somewhere.
std::vector<Failure> failure_list(Rng& rng, const Contract& contract, const Outcome& outcome,
                                  std::uint32_t undelivered) {
    std::vector<Failure> failures;
    for (std::uint32_t k = 0; k < undelivered; ++k) {
        const auto input = static_cast<std::size_t>(next(rng) % contract.inputs.size());
        failures.push_back({std::string(pick(rng, delivery_failures())), 1, "delivery", input, true});
    }
    for (const auto& criterion : outcome.criteria) {
        auto checks = check_failures(rng, criterion);
        failures.insert(failures.end(), std::make_move_iterator(checks.begin()), std::make_move_iterator(checks.end()));
    }
    return failures;
}

}  // namespace

Contract draw_contract(Rng& rng, std::size_t service) {
    Contract contract;
    contract.service = fmt::format("{}-{:04}", pick(rng, service_names()), service);
    contract.contract_id = fmt::format("{}@{}", contract.service, between(rng, 1, 4));
    const auto messages = shuffled(rng, customer_messages());
    const std::size_t inputs = between(rng, 4, 10);
    for (std::size_t i = 0; i < inputs; ++i) contract.inputs.emplace_back(*messages[i]);

    const auto names = shuffled(rng, criterion_names());
    const auto templates = shuffled(rng, check_templates());
    std::size_t dealt = 0;
    const std::size_t criteria = between(rng, 2, 4);
    for (std::size_t c = 0; c < criteria && dealt < templates.size(); ++c) {
        Criterion criterion{std::string(*names[c]), {}, std::nullopt};
        const std::size_t checks = std::min<std::size_t>(templates.size() - dealt, between(rng, 2, 4));
        for (std::size_t k = 0; k < checks; ++k)
            criterion.checks.push_back(draw_check(rng, *templates[dealt++], inputs));
        if (chance(rng, 0.3)) criterion.slack = chance(rng, 0.5) ? "20%" : fmt::format("{} of 20", between(rng, 1, 3));
        contract.criteria.push_back(std::move(criterion));
    }

    // Most lines of the prompt bank, in the bank's order.
    for (const auto line : prompt_lines()) {
        if (chance(rng, 0.7)) contract.prompt.emplace_back(line);
    }
    return contract;
}

std::vector<std::string> edited_prompt(Rng& rng, const std::vector<std::string>& lines, int edits) {
    std::vector<std::string> edited = lines;
    for (int k = 0; k < edits; ++k) {
        const auto at = static_cast<std::ptrdiff_t>(next(rng) % edited.size());
        switch (next(rng) % 3) {
            case 0:
                edited[static_cast<std::size_t>(at)] = pick(rng, prompt_lines());
                break;
            case 1:
                edited.insert(edited.begin() + at, std::string(pick(rng, prompt_lines())));
                break;
            default:
                if (edited.size() > 4) edited.erase(edited.begin() + at);
                break;
        }
    }
    return edited;
}

std::vector<Failure> check_failures(Rng& rng, const CriterionResult& result) {
    std::vector<Failure> failures;
    for (const auto& check : result.criterion->checks) {
        std::uint64_t failed = 0;
        const Standing* worst = nullptr;
        for (const auto& row : result.rows) {
            if (row.check != &check) continue;
            failed += row.failed;
            if (!worst || row.failed > worst->failed) worst = &row;
        }
        if (failed == 0) continue;
        const bool one_input = chance(rng, 0.5);
        failures.push_back({std::string(check.shape->name), static_cast<std::uint32_t>(failed), "assertion",
                            one_input ? std::optional(worst->input) : std::nullopt, one_input && chance(rng, 0.5)});
    }
    return failures;
}

bool input_provenance(const Check& check) {
    const auto expectation = check.shape->expectation;
    return expectation != Expectation::None && expectation != Expectation::Fixed;
}

std::string_view expected_of(const Standing& standing) {
    const auto& expected = standing.check->expected;
    if (expected.empty()) return {};
    return input_provenance(*standing.check) ? expected[standing.input] : expected.front();
}

double observed_fraction(const Standing& standing) {
    const auto judged = standing.passed + standing.failed;
    return judged == 0 ? 0.0 : static_cast<double>(standing.passed) / static_cast<double>(judged);
}

Outcome draw_outcome(Rng& rng, const Contract& contract, std::uint32_t samples, double quality, double median_ms) {
    Outcome outcome{};
    outcome.samples = samples;
    const std::size_t inputs = contract.inputs.size();
    std::uint32_t worst_criterion = 0;
    for (const auto& criterion : contract.criteria) {
        CriterionResult result{&criterion, 0, 0, {}};
        std::vector<std::uint64_t> failed_per_input(inputs, 0);
        for (const auto& check : criterion.checks) {
            const double failure_rate = (1.0 - quality) * (check.shape->optional ? 2.5 : 1.0) * unit(rng);
            for (std::size_t i = 0; i < inputs; ++i) {
                const std::uint64_t per_input = samples / inputs + (i < samples % inputs ? 1 : 0);
                auto row = draw_standing(rng, check, i, per_input, failure_rate);
                if (!check.shape->optional) failed_per_input[i] = std::max(failed_per_input[i], row.failed);
                result.rows.push_back(std::move(row));
            }
        }
        const auto failed = std::accumulate(failed_per_input.begin(), failed_per_input.end(), std::uint64_t{0});
        result.fail = static_cast<std::uint32_t>(std::min<std::uint64_t>(samples, failed));
        result.pass = samples - result.fail;
        worst_criterion = std::max(worst_criterion, result.fail);
        outcome.criteria.push_back(std::move(result));
    }
    const std::uint32_t undelivered = chance(rng, 0.3) ? static_cast<std::uint32_t>(between(rng, 1, 3)) : 0;
    outcome.failures = std::min(samples - 1, worst_criterion + undelivered);
    outcome.successes = samples - outcome.failures;
    outcome.failures_by_condition = failure_list(rng, contract, outcome, undelivered);
    draw_latencies(rng, outcome, median_ms);
    return outcome;
}

}  // namespace brelk::corpus
