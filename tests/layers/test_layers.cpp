// Every include in src/ stays inside the layer table of the build (src/CMakeLists.txt, handed over
// as a file): a folder includes itself and the folders below it, never one above or beside it.
// The compiler already refuses most such includes; this also catches the ones a relative path
// ("../forest/x.h", "framework/../forest/x.h") would slip past it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct LayerTable {
    std::vector<std::string> order;                        // as listed, lowest first
    std::map<std::string, std::set<std::string>> sees;     // each layer, itself and all below it
    std::map<std::string, std::string> layerOfIncludeName; // "dialogs" -> "app/dialogs"
};

// A line is a layer (a folder of src/) and the layers it stands on directly. A layer may stand only
// on layers listed before it, which keeps the table free of cycles.
LayerTable parseTable(std::istream& in, std::vector<std::string>& errors) {
    LayerTable table;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string layer;
        if (!(words >> layer) || layer[0] == '#') continue;
        if (table.sees.count(layer)) {
            errors.push_back("layer " + layer + " is listed twice");
            continue;
        }
        std::set<std::string> sees{layer};
        for (std::string dep; words >> dep;) {
            auto below = table.sees.find(dep);
            if (below == table.sees.end()) {
                errors.push_back("layer " + layer + " stands on " + dep + ", which is not listed before it");
                continue;
            }
            sees.insert(below->second.begin(), below->second.end());
        }
        const std::string includeName = fs::path(layer).filename().string();
        if (!table.layerOfIncludeName.emplace(includeName, layer).second)
            errors.push_back("layers " + table.layerOfIncludeName[includeName] + " and " + layer +
                             " are both included as " + includeName + "/");
        table.sees.emplace(layer, std::move(sees));
        table.order.push_back(layer);
    }
    return table;
}

// The layer of a path relative to src/ (generic form): the longest layer folder holding it.
std::string layerOf(const std::string& rel, const LayerTable& table) {
    std::string best;
    for (const std::string& layer : table.order)
        if ((rel.size() > layer.size() && rel.compare(0, layer.size(), layer) == 0 &&
             rel[layer.size()] == '/') &&
            layer.size() > best.size())
            best = layer;
    return best;
}

// The path relative to src/ of a lexically normal path, or empty when it lies outside src/.
std::string insideSrc(const fs::path& src, const fs::path& path) {
    const fs::path rel = path.lexically_normal().lexically_relative(src.lexically_normal());
    if (rel.empty() || *rel.begin() == "..") return {};
    return rel.generic_string();
}

// The file under src/ that an include names, relative to src/; empty for a header from elsewhere.
// Quote includes are looked up beside the including file first, as the compiler does; otherwise the
// first part of the path names a layer by its include name (a layer folder's last component) and
// the rest is taken from that folder's parent, as the build's include directories resolve it.
std::string includedFile(const fs::path& src, const fs::path& includer, char delimiter,
                         const std::string& name, const LayerTable& table) {
    const fs::path named(name);
    if (delimiter == '"') {
        const fs::path beside = (includer.parent_path() / named).lexically_normal();
        if (fs::exists(beside) || name.starts_with("./") || name.starts_with("../"))
            return insideSrc(src, beside);
    }
    auto layer = table.layerOfIncludeName.find(named.begin()->string());
    if (layer == table.layerOfIncludeName.end()) return {};
    return insideSrc(src, (src / layer->second).parent_path() / named);
}

bool isSource(const fs::path& path) {
    static const std::set<std::string> endings{".h", ".hpp", ".cpp", ".cc", ".cxx", ".inl", ".inc"};
    return endings.count(path.extension().string()) != 0;
}

std::string joined(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

// One message per include outside the table ("file:line: from -> to ..."), per source file outside
// every layer, and per include of a file under src/ that lies in no layer.
std::vector<std::string> checkTree(const fs::path& src, const LayerTable& table) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<std::string> messages;
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(src))
        if (entry.is_regular_file() && isSource(entry.path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const std::string rel = insideSrc(src, file);
        const std::string shown = "src/" + rel;
        const std::string from = layerOf(rel, table);
        if (from.empty()) {
            messages.push_back(shown + ": lies in no layer of the table");
            continue;
        }
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, include)) continue;
            const std::string target = includedFile(src, file, m[1].str()[0], m[2].str(), table);
            if (target.empty()) continue;
            const std::string where = shown + ":" + std::to_string(number) + ": ";
            const std::string to = layerOf(target, table);
            if (to.empty())
                messages.push_back(where + "includes src/" + target + ", which lies in no layer");
            else if (!table.sees.at(from).count(to))
                messages.push_back(where + from + " -> " + to + " is not allowed (" + m[0].str() + "); " +
                                   from + " sees " + joined(table.sees.at(from)));
        }
    }
    return messages;
}

LayerTable tableFrom(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> errors;
    LayerTable table = parseTable(in, errors);
    EXPECT_TRUE(errors.empty()) << errors.front();
    return table;
}

TEST(Layers, SourceTreeKeepsToTheBuildsTable) {
    std::ifstream in(ZELTO_LAYER_TABLE);
    ASSERT_TRUE(in) << "no layer table at " << ZELTO_LAYER_TABLE;
    std::vector<std::string> errors;
    const LayerTable table = parseTable(in, errors);
    for (const std::string& e : errors) ADD_FAILURE() << ZELTO_LAYER_TABLE << ": " << e;
    ASSERT_TRUE(table.sees.count("framework")) << "the table lists no framework layer";
    for (const std::string& m : checkTree(fs::path(ZELTO_SOURCE_DIR) / "src", table)) ADD_FAILURE() << m;
}

TEST(Layers, TableStandsOnlyOnEarlierLayers) {
    struct Case {
        const char* table;
        const char* error; // empty: no error
    };
    const Case cases[] = {
        {"base\nmid base\ntop mid\n", ""},
        {"# a comment\n\nbase\n", ""},
        {"base\nmid top\ntop mid\n", "layer mid stands on top, which is not listed before it"},
        {"base base\n", "layer base stands on base, which is not listed before it"},
        {"base\nbase\n", "layer base is listed twice"},
        {"lock\napp/lock\n", "layers lock and app/lock are both included as lock/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        std::istringstream in(c.table);
        std::vector<std::string> errors;
        const LayerTable table = parseTable(in, errors);
        if (*c.error)
            EXPECT_EQ(errors, std::vector<std::string>{c.error});
        else
            EXPECT_TRUE(errors.empty());
    }
    // What a layer sees is the closure of what it stands on.
    const LayerTable t = tableFrom("base\nside\nmid base\ntop mid side\n");
    EXPECT_EQ(t.sees.at("top"), (std::set<std::string>{"base", "mid", "side", "top"}));
    EXPECT_EQ(t.sees.at("mid"), (std::set<std::string>{"base", "mid"}));
}

class LayerTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / ("layers-" + std::to_string(::getpid()));
        fs::remove_all(root);
        write("base/b.h", "#pragma once\n");
        write("top/t.h", "#pragma once\n");
        write("app/a.h", "#pragma once\n");
        write("app/parts/p.h", "#pragma once\n");
    }
    void TearDown() override { fs::remove_all(root); }
    void write(const std::string& rel, const std::string& text) {
        const fs::path path = root / "src" / rel;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    std::vector<std::string> check() {
        return checkTree(root / "src", tableFrom("base\ntop base\napp/parts base\napp top app/parts\n"));
    }
    fs::path root;
};

TEST_F(LayerTree, IncludesOutsideTheTableAreNamedWithFileLineAndEdge) {
    struct Case {
        const char* file;
        const char* text;
        const char* message; // empty: allowed
    };
    const Case cases[] = {
        {"top/x.cpp", "#include \"top/t.h\"\n#include \"base/b.h\"\n#include \"t.h\"\n", ""},
        {"top/x.cpp", "#include <QString>\n#include \"shapefil.h\"\n#include <vector>\n", ""},
        {"app/x.cpp", "#include \"parts/p.h\"\n#include \"top/t.h\"\n#include \"a.h\"\n", ""},
        {"app/parts/x.cpp", "#include \"../../base/b.h\"\n", ""},
        {"base/x.cpp", "// upward\n\n#include \"top/t.h\"\n",
         "src/base/x.cpp:3: base -> top is not allowed (#include \"top/t.h\"); base sees base"},
        {"base/x.cpp", "  #  include <top/t.h>\n",
         "src/base/x.cpp:1: base -> top is not allowed (  #  include <top/t.h>); base sees base"},
        {"base/x.cpp", "#include \"../top/t.h\"\n",
         "src/base/x.cpp:1: base -> top is not allowed (#include \"../top/t.h\"); base sees base"},
        {"base/x.cpp", "#include \"../top/missing.h\"\n",
         "src/base/x.cpp:1: base -> top is not allowed (#include \"../top/missing.h\"); base sees base"},
        {"base/x.cpp", "#include \"base/../top/t.h\"\n",
         "src/base/x.cpp:1: base -> top is not allowed (#include \"base/../top/t.h\"); base sees base"},
        {"app/parts/x.cpp", "#include \"../a.h\"\n",
         "src/app/parts/x.cpp:1: app/parts -> app is not allowed (#include \"../a.h\"); app/parts sees "
         "app/parts, "
         "base"},
        {"app/parts/x.cpp", "#include \"top/t.h\"\n",
         "src/app/parts/x.cpp:1: app/parts -> top is not allowed (#include \"top/t.h\"); app/parts sees "
         "app/parts, base"},
        {"app/parts/x.cpp", "#include \"parts/../a.h\"\n",
         "src/app/parts/x.cpp:1: app/parts -> app is not allowed (#include \"parts/../a.h\"); app/parts sees "
         "app/parts, base"},
        {"top/x.cpp", "#include \"../stray.h\"\n",
         "src/top/x.cpp:1: includes src/stray.h, which lies in no layer"},
        {"extra/x.cpp", "#include \"base/b.h\"\n", "src/extra/x.cpp: lies in no layer of the table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.text);
        write(c.file, c.text);
        const std::vector<std::string> messages = check();
        if (*c.message)
            EXPECT_EQ(messages, std::vector<std::string>{c.message});
        else
            EXPECT_TRUE(messages.empty()) << messages.front();
        fs::remove(root / "src" / c.file);
    }
}

} // namespace
