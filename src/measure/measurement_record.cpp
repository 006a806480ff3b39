#include "measure/measurement_record.hpp"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <utility>

#include "measure/baseline_reader.hpp"

namespace brelk::measure {

namespace {

// The reader keeps criteria sorted; records built any other way are sorted
// here too, so the table never depends on how the artefact was assembled.
std::vector<std::size_t> criteria_in_name_order(const BaselineArtefact& artefact) {
    std::vector<std::size_t> order(artefact.criteria.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return artefact.criteria[a].first < artefact.criteria[b].first;
    });
    return order;
}

ObservationRow observation_row(const std::string& name, const BaselineCriterion& criterion) {
    return ObservationRow{name,
                          criterion.observed_pass_rate,
                          criterion.wilson_lower_bound,
                          criterion.failure_distribution,
                          criterion.successes,
                          criterion.trials};
}

}  // namespace

MeasurementRecord distil(BaselineArtefact artefact) {
    MeasurementRecord record;
    for (std::size_t index : criteria_in_name_order(artefact)) {
        auto& [name, criterion] = artefact.criteria[index];
        record.rows.push_back(observation_row(name, criterion));
        if (criterion.standings) {
            record.standings.push_back(StandingsBlockView::of_stated(name, std::move(*criterion.standings),
                                                                     stated_counts(criterion),
                                                                     stated_bound(criterion, artefact.confidence_level)));
        }
    }
    if (artefact.execution) {
        record.samples_executed = artefact.execution->samples_executed;
        record.termination_reason = std::move(artefact.execution->termination_reason);
    }
    record.confidence_level = artefact.confidence_level;
    record.service = std::move(artefact.service_name);
    record.contract = std::move(artefact.service_contract_id);
    record.generated_at = std::move(artefact.generated_at);
    record.inputs = std::move(artefact.inputs);
    return record;
}

MeasuredServices group_by_service(std::vector<BaselineArtefact> artefacts) {
    MeasuredServices services;
    for (auto& artefact : artefacts) {
        auto record = distil(std::move(artefact));
        MeasuredService key{record.service, record.contract};
        services[std::move(key)].push_back(std::move(record));
    }
    return services;
}

}  // namespace brelk::measure
