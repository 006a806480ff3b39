#include "corpus/phrases.hpp"

#include <array>

namespace brelk::corpus {
namespace {

using namespace std::string_view_literals;

constexpr std::array services{
    "checkout-assistant"sv, "support-triage"sv, "product-search"sv, "invoice-reader"sv, "travel-planner"sv,
    "claims-intake"sv,      "recipe-helper"sv,  "policy-answers"sv, "order-tracker"sv,  "returns-desk"sv,
};

constexpr std::array criteria{
    "valid-json"sv, "correct-action"sv, "tone"sv,   "policy-cited"sv,
    "format"sv,     "price-accuracy"sv, "safety"sv, "grounded-answer"sv,
};

constexpr std::array checks{
    CheckTemplate{"response parses as JSON", "", "parses", Expectation::None, "", false},
    CheckTemplate{"currency is an ISO code", "$.currency", "matches", Expectation::Fixed, "^[A-Z]{3}$", false},
    CheckTemplate{"total matches the basket", "$.total", "equals", Expectation::Price, "", false},
    CheckTemplate{"first sku", "$.items[0].sku", "equals", Expectation::Sku, "", false},
    CheckTemplate{"$.action equals the expected action", "$.action", "equals", Expectation::Action, "", false},
    CheckTemplate{"$.category equals the expected category", "$.category", "equals", Expectation::Category, "", false},
    CheckTemplate{"$.urgency equals the expected urgency", "$.urgency", "equals", Expectation::Urgency, "", false},
    CheckTemplate{"no apology boilerplate", "", "absent", Expectation::Fixed, "I apologise", false},
    CheckTemplate{"reply under 120 words", "", "max-words", Expectation::Fixed, "120", false},
    CheckTemplate{"mentions the delivery date", "", "mentions", Expectation::Fixed, "delivery date", true},
    CheckTemplate{"cites the policy section", "$.answer", "contains", Expectation::Fixed, "§ 4.2", false},
    CheckTemplate{"has urgency", "$.urgency", "present", Expectation::None, "", false},
    CheckTemplate{"no prose around the JSON", "", "no-prose", Expectation::None, "", true},
    CheckTemplate{"greets the customer by name", "", "mentions", Expectation::Fixed, "Dear", true},
    CheckTemplate{"no personal data echoed", "", "absent", Expectation::Fixed, "IBAN", false},
    CheckTemplate{"answer quotes the source", "$.sources[0]", "present", Expectation::None, "", false},
};

constexpr std::array messages{
    "2 x A5 notebook (dotted), 1 x fountain pen, deliver to Lyon"sv,
    "1 x desk organiser, 3 x gel pen blue, gift wrap"sv,
    "10 x envelope C5, 1 x stamp set; customer asks for invoice in USD"sv,
    "1 x leather journal (out of stock), 1 x bookmark"sv,
    "5 x sticky notes neon, express delivery to Graz"sv,
    "Where is my parcel? Tracking says \"delivered\" but nothing here"sv,
    "I was charged twice for order #88213 & want one refund"sv,
    "Cancel order 88213 and refund it to my card"sv,
    "What is the delivery fee to 10115 Berlin?"sv,
    "Übergrößen-Jacke in 3XL, Lieferung nach Köln bis Freitag?"sv,
    "Which of my saved addresses is the default?"sv,
    "My password reset link expired <again>, please help"sv,
    "Can I return shoes I wore once? The box is gone."sv,
    "Add two cartons of oat milk to my basket"sv,
    "Is the 14-day return window counted from delivery or from payment?"sv,
    "Book a table for 4 near the station at 19:30, vegetarian options please"sv,
    "Reimburse my taxi 23,40 € — receipt attached as a photo"sv,
    "The invoice says 119.99 but the shop page said 99.99"sv,
    "Find a hotel in Porto under 120 €/night with free cancellation"sv,
    "Claim for water damage in the kitchen; photos sent on Monday"sv,
    "Suggest a dinner with what I have: rice, leeks, two eggs, feta"sv,
    "Why was my claim 4471-B rejected? Nobody called me back."sv,
    "Change the delivery address of order 90114 to Rue de la Paix 3"sv,
    "Tell me the warranty terms for the kettle I bought in March"sv,
};

constexpr std::array prompt{
    "You are the assistant of an online shop that sells stationery and office supplies."sv,
    "Answer with a JSON object only; never wrap it in prose or code fences."sv,
    "Use the prices from the catalogue excerpt below, never invent one."sv,
    "State every amount with two decimals and a three-letter ISO 4217 currency code."sv,
    "If an item is out of stock, leave it out and say so in \"notes\"."sv,
    "Mention the expected delivery date in plain words."sv,
    "Keep the reply under 120 words."sv,
    "Do not apologise unless the customer reports a mistake of ours."sv,
    "Classify the message as billing, delivery, account or other."sv,
    "Rate the urgency as low, normal or high; a charge or a lost parcel is high."sv,
    "Quote the policy section you rely on, e.g. \"§ 4.2 Returns\"."sv,
    "Never repeat personal data such as an IBAN or a full card number."sv,
    "If the question cannot be answered from the sources, say so and stop."sv,
    "Greet the customer by name when the message is signed."sv,
    ""sv,
    "Rules:"sv,
    "- Prefer the customer's language; fall back to English."sv,
    "- One action per reply: add_to_basket, cancel_order, refund_order or lookup_order."sv,
    "- Dates are written as 3 May 2024, never as 03/05."sv,
    "- A basket with more than 20 items is answered with a summary only."sv,
    "- Shipping to Switzerland and Norway takes two extra days."sv,
    "- Gift wrap costs 2.50 EUR per item and is never free."sv,
    ""sv,
    "Example:"sv,
    "Basket: 2 x A5 notebook, 1 x fountain pen"sv,
    "Reply: {\"items\": [...], \"total\": 31.80, \"currency\": \"EUR\", \"deliveryDate\": \"Friday\"}"sv,
    "Message: Where is my parcel?"sv,
    "Reply: {\"category\": \"delivery\", \"urgency\": \"high\"}"sv,
    "Think about the answer before writing it, but write only the answer."sv,
    "When two rules disagree, the one written later wins."sv,
    "Sources are separated by lines of three dashes: ---"sv,
    "Temperature-sensitive goods (ink, glue) ship only from April to October."sv,
};

constexpr std::array wrong{
    "euro"sv,
    "€"sv,
    "usd"sv,
    "null"sv,
    "(absent)"sv,
    "18,40"sv,
    "22.08"sv,
    "119.99"sv,
    "I apologise for any inconvenience."sv,
    "Sorry for the wait!"sv,
    "<p>Total: 31.80 EUR</p>"sv,
    "refund_order"sv,
    "lookup_order"sv,
    "other"sv,
    "normal"sv,
    "{\"total\": \"31.80\", \"currency\": \"EUR\"}"sv,
    "Here is your JSON: {\"category\": \"billing\"}"sv,
    "Dear customer, thank you for reaching out & sorry for the trouble with your order, we will look into it"sv,
    "IBAN DE89 3704 0044 0532 0130 00"sv,
    "env-c5-10"sv,
    "bkm-leath"sv,
};

constexpr std::array delivery{
    "connection reset by peer after 30 s"sv,
    "HTTP 503 from the model gateway"sv,
    "timed out after 60 s without a first token"sv,
    "rate limited (429) three times in a row"sv,
};

constexpr std::array models{"compact-2"sv, "compact-3"sv, "large-2024-05"sv, "small-2024-05"sv, "reasoner-1"sv};
constexpr std::array styles{"Warm"sv,       "Terse"sv,  "Reference"sv, "Large"sv,    "Tiny budget"sv,
                            "No example"sv, "Strict"sv, "Chatty"sv,    "Cautious"sv, "Fast"sv};
constexpr std::array action_names{"add_to_basket"sv, "cancel_order"sv, "refund_order"sv, "lookup_order"sv};
constexpr std::array category_names{"billing"sv, "delivery"sv, "account"sv, "other"sv};
constexpr std::array urgency_names{"low"sv, "normal"sv, "high"sv};

}  // namespace

std::span<const std::string_view> service_names() {
    return services;
}
std::span<const std::string_view> criterion_names() {
    return criteria;
}
std::span<const CheckTemplate> check_templates() {
    return checks;
}
std::span<const std::string_view> customer_messages() {
    return messages;
}
std::span<const std::string_view> prompt_lines() {
    return prompt;
}
std::span<const std::string_view> wrong_answers() {
    return wrong;
}
std::span<const std::string_view> delivery_failures() {
    return delivery;
}
std::span<const std::string_view> model_names() {
    return models;
}
std::span<const std::string_view> style_words() {
    return styles;
}
std::span<const std::string_view> actions() {
    return action_names;
}
std::span<const std::string_view> categories() {
    return category_names;
}
std::span<const std::string_view> urgencies() {
    return urgency_names;
}

}  // namespace brelk::corpus
