#pragma once
// The standings of a verdict run while it waits for its page: every text in
// one buffer and the blocks, rows and exemplars in an array each. Thousands
// of runs are held until the last file is read, and a record of tens of
// thousands of rows then costs a handful of allocations and little memory,
// not an allocation per text. A document's standings are read into a draft
// whose arrays grow; the run then keeps them where its collection keeps
// every run's (see RecordArena). A run's section unpacks its standings into
// the views the postcondition grids read, and drops them when it is drawn.
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "html/standings.hpp"

namespace brelk::verdict {

struct PackedStandings {
    // A piece of `texts`. A record is at most 1 GiB of text, and what it
    // states can only be shorter, so 32 bits reach every byte.
    struct Text {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    // What a row or block did not state: no text is kept at this offset.
    static constexpr Text unstated{std::numeric_limits<std::uint32_t>::max(), 0};

    struct Exemplar {
        Text excerpt;
        std::uint64_t count = 0;
        bool held = false;
    };

    struct Row {
        Text input_key;
        Text check;
        Text path = unstated;
        Text form = unstated;
        Text expected = unstated;
        std::uint32_t first_exemplar = 0;  // the row's exemplars are exemplars[first, first + count)
        std::uint32_t exemplar_count = 0;
        std::uint64_t passed = 0;
        std::uint64_t failed = 0;
        std::uint64_t skipped = 0;
        double observed_fraction = 0.0;
        std::uint64_t elided = 0;
        Provenance provenance = Provenance::Unstated;
        bool optional = false;
    };

    struct Block {
        Text criterion;
        std::optional<CriterionCounts> counts;
        Text optional_slack = unstated;
        std::uint32_t first_row = 0;  // the block's rows are rows[first, first + count)
        std::uint32_t row_count = 0;
    };

    // Storage the standings do not own: their draft's arrays, or an arena's.
    std::string_view texts;
    std::span<const Block> blocks;
    std::span<const Row> rows;
    std::span<const Exemplar> exemplars;

    std::string_view text(Text text) const { return texts.substr(text.offset, text.size); }
    std::optional<std::string_view> stated(Text text) const {
        if (text.offset == unstated.offset) return std::nullopt;
        return this->text(text);
    }
};

// The standings of one document as its elements come.
struct StandingsDraft {
    using Text = PackedStandings::Text;

    std::string texts;
    std::vector<PackedStandings::Block> blocks;
    std::vector<PackedStandings::Row> rows;
    std::vector<PackedStandings::Exemplar> exemplars;

    // Appends `text` to `texts`; std::bad_alloc past what 32 bits reach.
    Text keep(std::string_view text);
    // The same, but a text equal to `earlier` is not kept twice: the rows of
    // one check repeat its name, path, form and expected value input after input.
    Text keep(std::string_view text, Text earlier);

    // The standings as they stand in these arrays, valid while the draft is
    // left as it is.
    PackedStandings view() const { return PackedStandings{texts, blocks, rows, exemplars}; }
};

// The bytes the draft's standings take once settled.
std::size_t settled_size(const StandingsDraft& draft);

// The draft's standings copied into `room`: settled_size(draft) bytes,
// aligned for any record.
PackedStandings settled(const StandingsDraft& draft, std::span<char> room);

// The blocks as the postcondition grids read them, in the packed order.
std::vector<StandingsBlockView> unpack(const PackedStandings& standings);

}  // namespace brelk::verdict
