#pragma once
// The words a generated artefact is made of: service names, customer
// messages, checks, prompt lines and the wrong answers a service gives.
#include <span>
#include <string_view>

namespace brelk::corpus {

enum class Expectation { None, Fixed, Price, Sku, Action, Category, Urgency };

// A postcondition check as a contract declares it. Checks whose expectation
// depends on the input (prices, SKUs, actions) have input provenance.
struct CheckTemplate {
    std::string_view name;
    std::string_view path;  // empty: the check reads the whole response
    std::string_view form;
    Expectation expectation;
    std::string_view fixed;  // the expected text of an Expectation::Fixed check
    bool optional;
};

std::span<const std::string_view> service_names();
std::span<const std::string_view> criterion_names();
std::span<const CheckTemplate> check_templates();
std::span<const std::string_view> customer_messages();
std::span<const std::string_view> prompt_lines();
std::span<const std::string_view> wrong_answers();
std::span<const std::string_view> delivery_failures();
std::span<const std::string_view> model_names();
std::span<const std::string_view> style_words();
std::span<const std::string_view> actions();
std::span<const std::string_view> categories();
std::span<const std::string_view> urgencies();

}  // namespace brelk::corpus
