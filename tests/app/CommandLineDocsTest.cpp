// The documents keep up with the command line: every option the parser knows
// and every page name is told in both help texts, both manual pages and the
// guide's command-line section, and every output file the guide lists is in
// the manual pages' FILES sections. The options are read from the parser's
// own source, so a new option that the documents miss fails here.
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/CommandLine.h"
#include "app/CommandLineTexts.h"

namespace viz {
namespace {

const std::filesystem::path kRoot = VIZ_SOURCE_ROOT;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The part of `text` from the line that starts with `heading` to the next
// line that starts with `next` (or the end).
std::string Section(const std::string& text, const std::string& heading, const std::string& next) {
    const std::size_t start = text.find("\n" + heading);
    if (start == std::string::npos) return {};
    const std::size_t end = text.find("\n" + next, start + heading.size() + 1);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// A manual page as its reader sees the words: roff's "\-" is a dash, font
// changes and "\c" are gone.
std::string ManWords(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
    text = std::regex_replace(text, std::regex(R"(\\c)"), "");
    return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

// Whether `word` stands in `text` as a word of its own: "--tcp" is not found
// in "--tcp-source".
bool HasWord(const std::string& text, const std::string& word) {
    const std::regex pattern("(^|[^A-Za-z0-9_-])" +
                             std::regex_replace(word, std::regex(R"([.*+?])"), R"(\$&)") +
                             "($|[^A-Za-z0-9_-])");
    return std::regex_search(text, pattern);
}

// Every option the parser compares an argument with: the quoted "--name"
// and "-x" literals of the command line's source files. The toolkit's own
// options ("-platform" and the like) are one dash and several letters.
std::set<std::string> OptionsInTheParser() {
    std::set<std::string> options;
    const std::regex literal(R"re("(--[a-z][a-z0-9-]*|-[A-Za-z])")re");
    for (const auto& entry : std::filesystem::directory_iterator(kRoot / "app")) {
        if (!entry.path().filename().string().starts_with("CommandLine")) continue;
        const std::string source = ReadText(entry.path());
        for (std::sregex_iterator it(source.begin(), source.end(), literal), end; it != end; ++it)
            options.insert((*it)[1]);
    }
    return options;
}

std::vector<std::string> PageNames() {
    std::vector<std::string> names;
    for (int page = 0; page <= static_cast<int>(StartPage::Update); ++page)
        names.emplace_back(PageName(static_cast<StartPage>(page)));
    return names;
}

struct Document {
    std::string name;
    std::string options;  // where the options are told
    std::string pages;    // where the page names are listed
};

// The help texts and the guide list a page as a name at the start of a line
// or in backticks; a manual page as a bold word on a macro line.
std::vector<Document> Documents() {
    std::vector<Document> documents;
    documents.push_back({"the Chinese help", texts::cli::kHelpChinese, texts::cli::kHelpChinese});
    documents.push_back({"the English help", texts::cli::kHelpEnglish, texts::cli::kHelpEnglish});
    const std::string guide = ReadText(kRoot / "docs" / "guide.zh-CN.md");
    const std::string commandLine = Section(guide, "## 18. 命令行", "## ");
    documents.push_back({"the guide's command-line section", commandLine, commandLine});
    for (const auto& [page, options, pages] :
         {std::tuple{"docs/man/duvezer.1.in", ".SH OPTIONS", ".SH DESCRIPTION"},
          std::tuple{"docs/man/zh_CN/duvezer.1.in", ".SH 选项", ".SH 描述"}}) {
        const std::string man = ManWords(ReadText(kRoot / page));
        documents.push_back({page, Section(man, options, ".SH"), Section(man, pages, ".SH")});
    }
    return documents;
}

bool ListsPage(const Document& document, const std::string& page) {
    if (document.name.starts_with("docs/man"))
        return std::regex_search(document.pages, std::regex("\n\\.BR? " + page + "( |\n)"));
    if (document.name.starts_with("the guide"))
        return document.pages.find("`" + page + "`") != std::string::npos;
    return std::regex_search(document.pages, std::regex("\n  " + page + " "));
}

TEST(CommandLineDocs, EveryOptionAndPageIsToldInBothHelpsBothManualPagesAndTheGuide) {
    const std::set<std::string> options = OptionsInTheParser();
    // The reading of the source found the parser's options, not nothing.
    for (const char* known :
         {"--page", "--port", "--baud", "--tcp", "--listen", "--open", "--help", "-h", "--version", "-V"})
        EXPECT_TRUE(options.contains(known)) << known;
    const std::vector<std::string> pages = PageNames();
    ASSERT_EQ(pages.size(), 12u);

    for (const Document& document : Documents()) {
        ASSERT_FALSE(document.options.empty()) << document.name << " has no options section";
        ASSERT_FALSE(document.pages.empty()) << document.name << " has no page list";
        for (const std::string& option : options)
            EXPECT_TRUE(HasWord(document.options, option)) << document.name << " does not tell " << option;
        for (const std::string& page : pages)
            EXPECT_TRUE(ListsPage(document, page)) << document.name << " does not list the page " << page;
    }
}

// The file names in the guide's table of settings and output files: names
// with an extension or folders ending in "/", in backticks or in quotes,
// without the folders they are found in.
std::set<std::string> FilesInTheGuide() {
    const std::string guide = ReadText(kRoot / "docs" / "guide.zh-CN.md");
    const std::string table = Section(guide, "## 19. ", "## ");
    std::set<std::string> files;
    const std::regex quoted("(`([^`]+)`|“([^”]+)”)");
    for (std::sregex_iterator it(table.begin(), table.end(), quoted), end; it != end; ++it) {
        std::string name = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
        if (name.starts_with("$") || name.starts_with("/") || name.find("……") != std::string::npos) continue;
        const bool folder = name.ends_with("/");
        if (folder) name.pop_back();
        name = name.substr(name.rfind('/') + 1);
        if (!folder && !std::regex_search(name, std::regex(R"(^[^.].*\.[A-Za-z0-9]+$)"))) continue;
        files.insert(folder ? name + "/" : name);
    }
    return files;
}

// Whether a manual page's FILES section names `file`, itself or by a
// pattern such as "*监视器.txt" ("*a.txt、*b.txt" holds two).
bool NamesFile(const std::string& files, const std::string& file) {
    if (HasWord(files, file)) return true;
    const std::regex pattern(R"(\*[^\s",]+)");
    for (std::sregex_iterator it(files.begin(), files.end(), pattern), end; it != end; ++it) {
        std::istringstream each(std::regex_replace(it->str(), std::regex("、"), " "));
        for (std::string one; each >> one;) {
            if (::fnmatch(one.c_str(), file.c_str(), 0) == 0) return true;
        }
    }
    return false;
}

TEST(CommandLineDocs, EveryOutputFileTheGuideListsIsInTheManualPagesFiles) {
    const std::set<std::string> files = FilesInTheGuide();
    for (const char* known :
         {"Vizuruv.conf", "串口数据接收记录.txt", "C51GuideView.c", "M51Project/", "Duvezer.rar"})
        EXPECT_TRUE(files.contains(known)) << known;
    for (const auto& [page, heading] : {std::pair{"docs/man/duvezer.1.in", ".SH FILES"},
                                        std::pair{"docs/man/zh_CN/duvezer.1.in", ".SH 文件"}}) {
        const std::string section = Section(ManWords(ReadText(kRoot / page)), heading, ".SH");
        ASSERT_FALSE(section.empty()) << page;
        for (const std::string& file : files)
            EXPECT_TRUE(NamesFile(section, file)) << page << " does not name " << file << " in its files";
    }
}

}  // namespace
}  // namespace viz
