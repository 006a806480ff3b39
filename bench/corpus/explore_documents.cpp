// Explorations: one file per configuration of a service, each a variation of
// the service's base configuration in one to three factors.
#include <cctype>

#include "corpus/documents.hpp"

namespace brelk::corpus {
namespace {

constexpr std::uint64_t explore_stream = 1;

struct Factors {
    std::string model;
    double temperature;
    std::uint64_t max_tokens;
    std::uint64_t retries;
    bool streaming;
    std::vector<std::string> prompt;
};

Factors base_factors(Rng& rng, const Contract& contract) {
    return {std::string(pick(rng, model_names())),
            static_cast<double>(between(rng, 0, 10)) / 10.0,
            std::uint64_t{256} << between(rng, 0, 3),
            between(rng, 0, 3),
            chance(rng, 0.5),
            contract.prompt};
}

Factors varied(Rng& rng, Factors factors) {
    const auto changes = between(rng, 1, 3);
    for (std::uint64_t k = 0; k < changes; ++k) {
        switch (next(rng) % 6) {
            case 0:
                factors.model = pick(rng, model_names());
                break;
            case 1:
                factors.temperature = static_cast<double>(between(rng, 0, 10)) / 10.0;
                break;
            case 2:
                factors.max_tokens = std::uint64_t{256} << between(rng, 0, 3);
                break;
            case 3:
                factors.retries = between(rng, 0, 3);
                break;
            case 4:
                factors.streaming = !factors.streaming;
                break;
            default:
                factors.prompt = edited_prompt(rng, factors.prompt, static_cast<int>(between(rng, 1, 4)));
                break;
        }
    }
    return factors;
}

// Producers write the factors in name order.
void put_factors(Buffer& out, const Factors& factors) {
    put(out, "factors:\n  max_tokens: {}\n  model: {}\n  prompt: ", factors.max_tokens, Quoted{factors.model});
    put_lines(out, factors.prompt, "    ");
    put(out, "  retries: {}\n  streaming: {}\n  temperature: {}\n", factors.retries, factors.streaming,
        Float{factors.temperature});
}

std::string lowercase(std::string_view text) {
    std::string lower(text);
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (auto& c : lower) c = c == ' ' ? '-' : c;
    return lower;
}

struct Plan {
    std::uint32_t planned;
    std::uint32_t executed;
    std::string_view termination;
};

// Most configurations run their whole plan; a few stop early on budget,
// some of them before half the plan (those are declined, not ranked).
Plan draw_plan(Rng& rng, std::uint32_t planned) {
    if (!chance(rng, 0.06)) return {planned, planned, "COMPLETED"};
    const auto executed = static_cast<std::uint32_t>(planned * between(rng, 30, 95) / 100);
    return {planned, std::max<std::uint32_t>(executed, 3), "TIME_BUDGET_EXHAUSTED"};
}

Buffer configuration_document(const Contract& contract, std::size_t service, std::size_t index, const Factors& factors,
                              std::uint32_t planned, Layout rows) {
    Rng rng = rng_for(explore_stream, service, index + 1);
    const auto style = pick(rng, style_words());
    const auto plan = draw_plan(rng, planned);
    const double quality = 0.78 + 0.21 * unit(rng);
    const double median_ms = 300.0 + 2200.0 * unit(rng);
    const auto outcome = draw_outcome(rng, contract, plan.executed, quality, median_ms);

    Buffer out;
    put(out, "schemaVersion: brelk-explore-1\nserviceContractId: {}\n", contract.contract_id);
    put(out, "configuration: {}\n", Quoted{fmt::format("cfg-{:02}-{}", index, lowercase(style))});
    put(out, "configurationName: {}\n", Quoted{fmt::format("{} {}", style, factors.model)});
    if (index == 0) put(out, "baseConfiguration: true\n");
    put_factors(out, factors);
    put(out, "execution:\n  samplesPlanned: {}\n  samplesExecuted: {}\n  terminationReason: {}\n", plan.planned,
        plan.executed, plan.termination);
    put(out, "statistics:\n  observed: {}\n  successes: {}\n  failures: {}\n",
        Float{static_cast<double>(outcome.successes) / static_cast<double>(outcome.samples)}, outcome.successes,
        outcome.failures);
    put_failures(out, contract, outcome.failures_by_condition, "  ");
    put_criteria(out, outcome.criteria, "  ", rows);
    put_latency_and_cost(out, outcome, "", Layout::Block);
    put_inputs(out, contract, "");
    return out;
}

}  // namespace

void explore_service(std::size_t service, const Emit& emit) {
    Rng rng = rng_for(explore_stream, service);
    const auto contract = draw_contract(rng, service);
    const auto base = base_factors(rng, contract);
    const auto configurations = between(rng, 6, 14);
    const auto planned = static_cast<std::uint32_t>(between(rng, 100, 1000));
    const Layout rows = chance(rng, 0.5) ? Layout::Block : Layout::Flow;
    for (std::size_t v = 0; v < configurations; ++v) {
        Rng variation = rng_for(explore_stream, service, 1000 + v);
        const auto factors = v == 0 ? base : varied(variation, base);
        emit(fmt::format("config-{:02}.yaml", v), configuration_document(contract, service, v, factors, planned, rows));
    }
}

void tiny_service(std::size_t service, std::size_t files, const Emit& emit) {
    constexpr std::uint64_t tiny_stream = 5;
    for (std::size_t f = 0; f < files; ++f) {
        Rng rng = rng_for(tiny_stream, service, f);
        const auto samples = between(rng, 5, 12);
        const auto failures = between(rng, 0, 2);
        Buffer out;
        put(out, "schemaVersion: brelk-explore-1\nserviceContractId: svc-{:06}\nconfiguration: cfg-{:03}\n", service,
            f);
        put(out, "execution: {{samplesExecuted: {}}}\n", samples);
        put(out, "statistics: {{observed: {}, successes: {}, failures: {}}}\n",
            Float{static_cast<double>(samples - failures) / static_cast<double>(samples)}, samples - failures,
            failures);
        std::vector<std::uint64_t> latencies;
        for (std::uint64_t s = 0; s < samples - failures; ++s) latencies.push_back(between(rng, 300, 1500));
        std::sort(latencies.begin(), latencies.end());
        put(out, "latency: {{p50Ms: {}, sortedPassingLatenciesMs: [{}]}}\n",
            Float{static_cast<double>(latencies[latencies.size() / 2])}, fmt::join(latencies, ", "));
        emit(fmt::format("cfg-{:03}.yaml", f), out);
    }
}

}  // namespace brelk::corpus
