#pragma once
// The pieces every generated YAML artefact shares: quoted texts, numbers,
// standings, failure lists, latencies and inputs, in block or flow style.
#include <fmt/format.h>

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "corpus/contract.hpp"

namespace brelk::corpus {

using Buffer = fmt::memory_buffer;

template <class... Args>
void put(Buffer& out, fmt::format_string<Args...> format, Args&&... args) {
    fmt::format_to(std::back_inserter(out), format, std::forward<Args>(args)...);
}

// A double-quoted YAML scalar.
struct Quoted {
    std::string_view text;
};

// A float as producers write it: the shortest text that reads back, with a
// decimal point even for whole numbers (1.0).
struct Float {
    double value;
};

enum class Layout { Block, Flow };

// A literal block scalar ("|") whose lines are indented by `indent`.
void put_lines(Buffer& out, const std::vector<std::string>& lines, std::string_view indent);

// "criteria:" with one tally per criterion, each with its standings rows.
void put_criteria(Buffer& out, const std::vector<CriterionResult>& criteria, std::string_view indent, Layout rows);

// A standings block ("optionalSlack", "rows") at `indent`.
void put_standings(Buffer& out, const CriterionResult& result, std::string_view indent, Layout rows);

// "failureDistribution:" as a list of flow mappings.
void put_failures(Buffer& out, const Contract& contract, const std::vector<Failure>& failures, std::string_view indent);

// "latency:" and "cost:" records.
void put_latency_and_cost(Buffer& out, const Outcome& outcome, std::string_view indent, Layout layout);

// "inputs:" as a list of flow mappings.
void put_inputs(Buffer& out, const Contract& contract, std::string_view indent);

}  // namespace brelk::corpus

template <>
struct fmt::formatter<brelk::corpus::Quoted> : fmt::formatter<std::string_view> {
    format_context::iterator format(const brelk::corpus::Quoted& quoted, format_context& context) const;
};

template <>
struct fmt::formatter<brelk::corpus::Float> : fmt::formatter<std::string_view> {
    format_context::iterator format(const brelk::corpus::Float& number, format_context& context) const;
};
