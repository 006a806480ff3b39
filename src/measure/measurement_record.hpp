#pragma once
// One baseline measurement as the page shows it, and the services the page
// groups measurements under.
#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "artefact/records.hpp"
#include "html/standings.hpp"
#include "measure/baseline.hpp"

namespace brelk::measure {

// A service is measured under one contract; the same service name under two
// contracts is two services on the page.
struct MeasuredService {
    std::string service;
    std::string contract;

    // std::string compares byte-wise, so services come out in byte order.
    auto operator<=>(const MeasuredService&) const = default;
};

// One criterion of one record.
struct ObservationRow {
    std::string criterion;
    std::optional<double> observed_pass_rate;
    std::optional<double> wilson_lower_bound;
    std::vector<FailureDistributionEntry> failure_distribution;
    std::uint64_t successes = 0;
    std::uint64_t trials = 0;
};

struct MeasurementRecord {
    std::optional<std::uint64_t> samples_executed;
    std::optional<double> confidence_level;
    std::string service;
    std::string contract;
    std::vector<ObservationRow> rows;             // criterion-name byte order
    std::vector<StandingsBlockView> standings;    // one per criterion stating standings, same order
    std::vector<InputPresentation> inputs;
    std::optional<std::string> generated_at;      // as stated, unformatted
    std::optional<std::string> termination_reason;
};

MeasurementRecord distil(BaselineArtefact artefact);

// Records under their service, services in key order, records of one service
// in the order given.
using MeasuredServices = std::map<MeasuredService, std::vector<MeasurementRecord>>;
MeasuredServices group_by_service(std::vector<BaselineArtefact> artefacts);

}  // namespace brelk::measure
