// Baselines: one measurement of a service per week, every criterion with its
// Wilson bound, standings and failures.
#include <chrono>
#include <cmath>

#include "corpus/documents.hpp"

namespace brelk::corpus {
namespace {

constexpr std::uint64_t baseline_stream = 3;

double wilson_lower_bound(std::uint64_t successes, std::uint64_t trials, double z) {
    const double n = static_cast<double>(trials);
    const double p = static_cast<double>(successes) / n;
    const double spread = z * std::sqrt(p * (1.0 - p) / n + z * z / (4.0 * n * n));
    return std::round((p + z * z / (2.0 * n) - spread) / (1.0 + z * z / n) * 10000.0) / 10000.0;
}

std::string week(std::size_t record) {
    using namespace std::chrono;
    const year_month_day day{sys_days{year{2024} / January / 1} + days{7 * static_cast<int>(record)}};
    return fmt::format("{:04}-{:02}-{:02}T10:15:00Z", static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                       static_cast<unsigned>(day.day()));
}

Buffer record_document(const Contract& contract, std::size_t service, std::size_t record) {
    Rng rng = rng_for(baseline_stream, service, record + 1);
    const bool strict = chance(rng, 0.2);
    const auto samples = static_cast<std::uint32_t>(between(rng, 100, 1500));
    const auto outcome = draw_outcome(rng, contract, samples, 0.8 + 0.19 * unit(rng), 800.0);

    Buffer out;
    put(out, "schemaVersion: brelk-baseline-1\nserviceContractId: {}\nserviceName: {}\n", contract.contract_id,
        contract.service);
    put(out, "generatedAt: {}\nconfidenceLevel: {}\n", Quoted{week(record)}, strict ? "0.99" : "0.95");
    put(out, "execution:\n  samplesExecuted: {}\n  terminationReason: COMPLETED\n", samples);
    put_inputs(out, contract, "");
    put(out, "criteria:\n");
    for (const auto& result : outcome.criteria) {
        const auto trials = std::uint64_t{result.pass} + result.fail;
        put(out, "  {}:\n    observedPassRate: {}\n    successes: {}\n    trials: {}\n", result.criterion->name,
            Float{static_cast<double>(result.pass) / static_cast<double>(trials)}, result.pass, trials);
        put(out, "    wilsonLowerBound: {}\n", Float{wilson_lower_bound(result.pass, trials, strict ? 2.5758 : 1.96)});
        put_failures(out, contract, check_failures(rng, result), "    ");
        // A few criteria are measured without per-check standings.
        if (!chance(rng, 0.05)) put_standings(out, result, "    ", Layout::Flow);
    }
    return out;
}

}  // namespace

void baseline_service(std::size_t service, const Emit& emit) {
    Rng rng = rng_for(baseline_stream, service);
    const auto contract = draw_contract(rng, service);
    const auto records = between(rng, 3, 10);
    for (std::size_t r = 0; r < records; ++r) {
        emit(fmt::format("baseline-{}.yaml", week(r).substr(0, 10)), record_document(contract, service, r));
    }
}

}  // namespace brelk::corpus
