#pragma once
// The sections of a page drawn on every core and written in their order.
//
// A page is mostly sections that stand alone (one per service, run or
// record), and drawing them costs more than reading the files did. Each
// worker draws a section into a page of its own; the sections are written in
// their order, so the page is the same byte for byte whatever the number of
// workers, and only the sections waiting their turn are held at once.
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "artefact/ordered_pool.hpp"
#include "html/page_buffer.hpp"

namespace brelk {

// A section can be a large part of the page, but most are small: sixteen
// waiting their turn per worker keep the threads busy through a run of small
// sections while the memory held stays bounded.
inline constexpr std::size_t sections_ahead_per_worker = 16;

// Calls `append_section(part, i)` for every i below `count`, where `part`
// ends up in `page` in order of i. `append_section` must touch nothing but
// `part` and what it only reads.
template <class AppendSection>
void append_sections(PageBuffer& page, std::size_t count, unsigned workers, AppendSection append_section) {
    // A lone section gains nothing from a worker and is drawn straight into
    // the page, never held whole: it may be the whole page.
    if (workers <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) append_section(page, i);
        return;
    }
    map_in_order(
        count, workers,
        [&append_section](std::size_t i) {
            auto part = std::make_unique<CollectedPage>();
            append_section(*part, i);
            return part;
        },
        [&page](std::size_t, std::unique_ptr<CollectedPage> part) { page.append_whole(part->view()); },
        sections_ahead_per_worker);
}

// For pages whose sections come in groups (a map from a key to its items),
// each group led by its heading: `append_heading(part, key)`, then
// `append_section(part, section, item, group)` for each of the group's items,
// with `section` counting the items across the whole page.
template <class Groups, class AppendHeading, class AppendSection>
void append_grouped_sections(PageBuffer& page, const Groups& groups, unsigned workers,
                             AppendHeading append_heading, AppendSection append_section) {
    using Key = typename Groups::key_type;
    using Group = typename Groups::mapped_type;
    struct Part {
        const Key* key;
        const Group* group;
        std::size_t item;  // the group's heading when it is past the group's end
        std::size_t section;
    };
    std::vector<Part> parts;
    std::size_t section = 0;
    for (const auto& [key, group] : groups) {
        parts.push_back(Part{&key, &group, group.size(), 0});
        for (std::size_t item = 0; item < group.size(); ++item) parts.push_back(Part{&key, &group, item, section++});
    }
    append_sections(page, parts.size(), workers, [&](PageBuffer& part_page, std::size_t i) {
        const Part& part = parts[i];
        if (part.item == part.group->size()) return append_heading(part_page, *part.key);
        append_section(part_page, part.section, (*part.group)[part.item], *part.group);
    });
}

}  // namespace brelk
