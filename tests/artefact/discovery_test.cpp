#include "artefact/discovery.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "temp_tree.hpp"

namespace brelk {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kind = "brelk-explore-1";

// A record of the test's own: the name a document states.
struct Named {
    std::string name;
};

std::variant<Named, std::string> read_named(const yaml::Node& top) {
    const yaml::Node* name = yaml::find(top, "name");
    if (!name) return std::string("missing field `name`");
    return Named{std::string(name->text)};
}

class Discovery : public ::testing::Test {
protected:
    void write(const std::string& relative, std::string_view content) { tree.write(relative, content); }
    std::string document(std::string_view name) { return fmt::format("schemaVersion: {}\nname: {}\n", kind, name); }

    // The names read and the skipped lines, walking `dir`.
    std::string collected(const fs::path& dir, unsigned workers = hardware_workers()) {
        auto result = collect_yaml_documents<Named>(dir, kind, read_named, workers);
        if (auto* error = std::get_if<OsError>(&result)) return "error " + describe(*error);
        std::string out;
        for (const auto& record : std::get<0>(result).records) out += record.name + "\n";
        for (const auto& skipped : std::get<0>(result).skipped) out += "skipped " + display(skipped) + "\n";
        return out;
    }

    testing::TempTree tree;
    const fs::path root = tree.root();
};

TEST_F(Discovery, WalksServicesAndYamlFilesInByteOrder) {
    write("a/a.yaml", document("a-plain"));
    write("a/.a.yaml", document("a-hidden"));
    write("a/a.yml", document("a-yml"));
    write("a/.yaml", document("a-no-extension"));
    write("a/b.YAML", document("a-upper"));
    write("a/sub/x.yaml", document("a-nested"));
    write("B/x.yaml", document("B-x"));
    write("top.yaml", document("top"));
    fs::create_directory_symlink("a", root / "link");
    fs::create_directory_symlink("nowhere", root / "zz-broken");

    // The link is a service of its own; the broken link and the loose file are not services.
    EXPECT_EQ(collected(root), "B-x\na-hidden\na-plain\na-hidden\na-plain\n");
}

TEST_F(Discovery, EveryUnusableFileIsOneSkippedLine) {
    write("svc/a-two.yaml", document("one") + "---\n" + document("two"));
    write("svc/b-number.yaml", "schemaVersion: 1\nname: n\n");
    write("svc/c-other.yaml", "schemaVersion: brelk-optimize-1\nname: o\n");
    write("svc/d-latin1.yaml", "name: caf\xe9\n");
    fs::create_directories(root / "svc/e-dir.yaml");
    write("svc/f-syntax.yaml", "schemaVersion: [1\n");
    write("svc/g-empty.yaml", "");
    write("svc/h-missing.yaml", fmt::format("schemaVersion: {}\n", kind));
    write("svc/i-list.yaml", fmt::format("- schemaVersion: {}\n", kind));
    write("svc/j-tagged.yaml", fmt::format("!top\nschemaVersion: !!str {}\nname: tagged\n", kind));
    write("svc/k-nul.yaml", std::string("name: a\0b\n", 10));
    ASSERT_EQ(mkfifo((root / "svc/l-fifo.yaml").c_str(), 0600), 0);  // must not hang the walk
    fs::create_symlink("/dev/zero", root / "svc/m-zero.yaml");        // must not be read without end
    write("svc/n-sparse.yaml", "");
    fs::resize_file(root / "svc/n-sparse.yaml", max_artefact_bytes + 1);  // refused before it is read
    write("svc/o-bom.yaml", "\xEF\xBB\xBF" + document("bom"));
    write("svc/\xff.yaml", "schemaVersion:\n");
    const std::string dir = root.string() + "/";
    const std::string at = root.string() + "/svc/";

    EXPECT_EQ(collected(dir),
              "tagged\nbom\n"
              "skipped (invalid YAML: deserializing from YAML containing more than one document is not supported): " +
                  at + "a-two.yaml\n" +
                  "skipped (not a brelk-explore-1 document): " + at + "b-number.yaml\n" +
                  "skipped (states brelk-optimize-1, not brelk-explore-1): " + at + "c-other.yaml\n" +
                  "skipped (unreadable: stream did not contain valid UTF-8): " + at + "d-latin1.yaml\n" +
                  "skipped (unreadable: Is a directory (os error 21)): " + at + "e-dir.yaml\n" +
                  "skipped (invalid YAML at line 2, column 1: did not find expected ',' or ']'): " + at +
                  "f-syntax.yaml\n" +
                  "skipped (invalid YAML: EOF while parsing a value): " + at + "g-empty.yaml\n" +
                  "skipped (invalid brelk-explore-1 document: missing field `name`): " + at + "h-missing.yaml\n" +
                  "skipped (not a brelk-explore-1 document): " + at + "i-list.yaml\n" +
                  "skipped (invalid YAML at line 1, column 8: control characters are not allowed): " + at +
                  "k-nul.yaml\n" +
                  "skipped (unreadable: Operation not supported (os error 95)): " + at + "l-fifo.yaml\n" +
                  "skipped (unreadable: Operation not supported (os error 95)): " + at + "m-zero.yaml\n" +
                  "skipped (unreadable: file of 1073741825 bytes is over the 1 GiB an artefact may hold): " + at +
                  "n-sparse.yaml\n" +
                  "skipped (not a brelk-explore-1 document): " + at + "\xef\xbf\xbd.yaml\n");
}

TEST_F(Discovery, ListingFailuresEndTheWalk) {
    EXPECT_EQ(collected(root / "absent"), "error No such file or directory (os error 2)");
    write("only-a-file.yaml", document("x"));
    EXPECT_EQ(collected(root), "");

    // Root lists every directory; tests/e2e/listing_test.cpp breaks listings for root too.
    if (geteuid() == 0) GTEST_SKIP() << "root lists every directory";
    write("a/a.yaml", document("a"));
    write("b/b.yaml", document("b"));
    fs::permissions(root / "b", fs::perms::none);
    EXPECT_EQ(collected(root), "error Permission denied (os error 13)");
}

TEST_F(Discovery, AnyNumberOfWorkersGivesWhatOneWorkerGives) {
    // Every outcome, over several services, with a long document now and then
    // so that the workers finish out of order.
    const std::string long_list = fmt::format("filler: [{}]\n", fmt::join(std::vector<int>(4000, 7), ", "));
    std::string names;
    std::string skipped;
    for (int service = 0; service < 5; ++service) {
        for (int file = 0; file < 60; ++file) {
            const std::string relative = fmt::format("s{}/f{:02}.yaml", service, file);
            const std::string at = root.string() + "/" + relative + "\n";
            const std::string name = fmt::format("n{}-{}", service, file);
            switch ((service + file) % 7) {
                case 0:
                    write(relative, document(name) + (file % 9 == 0 ? long_list : ""));
                    names += name + "\n";
                    break;
                case 1:
                    write(relative, document(name) + "---\n" + document(name));
                    skipped += "skipped (invalid YAML: deserializing from YAML containing more than one document is "
                               "not supported): " + at;
                    break;
                case 2:
                    write(relative, "schemaVersion: brelk-optimize-1\n" + long_list);
                    skipped += "skipped (states brelk-optimize-1, not brelk-explore-1): " + at;
                    break;
                case 3:
                    write(relative, "name: caf\xe9\n");
                    skipped += "skipped (unreadable: stream did not contain valid UTF-8): " + at;
                    break;
                case 4:
                    tree.mkdir(relative);
                    skipped += "skipped (unreadable: Is a directory (os error 21)): " + at;
                    break;
                case 5:
                    write(relative, "schemaVersion: [1\n");
                    skipped += "skipped (invalid YAML at line 2, column 1: did not find expected ',' or ']'): " + at;
                    break;
                default:
                    write(relative, fmt::format("schemaVersion: {}\n", kind));
                    skipped += "skipped (invalid brelk-explore-1 document: missing field `name`): " + at;
            }
        }
    }
    const std::string one = collected(root, 1);
    EXPECT_EQ(one, names + skipped);
    for (unsigned workers : {2u, 3u, 8u}) EXPECT_EQ(collected(root, workers), one) << workers << " workers";
}

TEST(SkippedDisplay, FormsNotReachedByTheWalk) {
    EXPECT_EQ(display(SkippedArtefact{InvalidXml{"junk after document element"}, "r/s/v.xml", "verdict-record"}),
              "(invalid XML: junk after document element): r/s/v.xml");
    EXPECT_EQ(display(SkippedArtefact{Unreadable{describe(OsError{13})}, "r/s/v.xml", "verdict-record"}),
              "(unreadable: Permission denied (os error 13)): r/s/v.xml");
}

}  // namespace
}  // namespace brelk
