// The questions modules ask the user: the host's checks on what a module
// passes, and the shipped modules asking a scripted port (skipped while
// they are not built).

#include "plugins/question_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/plugins_host/host_rig.h"
#include "plugins/filter_run.h"
#include "plugins/host_callbacks.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

using test::FakeView;
using test::HostRig;
using test::samples;
using test::shippedModule;

// Answers every question as scripted and records what was asked.
class ScriptedPort : public ModuleQuestions {
public:
    QuestionAnswer answer = QuestionAnswer::Answered;
    std::string path = "/tmp/chosen.file";
    std::vector<std::int32_t> values;  // by position; missing ones keep their start
    std::vector<FileQuestion> files;
    std::vector<std::vector<NumberQuestion>> numberQuestions;
    std::vector<std::string> titles;

    QuestionAnswer askOpenFile(const FileQuestion& question, std::string& chosen) override {
        files.push_back(question);
        if (answer == QuestionAnswer::Answered) chosen = path;
        return answer;
    }
    QuestionAnswer askSaveFile(const FileQuestion& question, std::string& chosen) override {
        return askOpenFile(question, chosen);
    }
    QuestionAnswer askNumbers(std::string_view title,
                              std::vector<NumberQuestion>& numbers) override {
        titles.emplace_back(title);
        numberQuestions.push_back(numbers);
        if (answer != QuestionAnswer::Answered) return answer;
        for (std::size_t i = 0; i < numbers.size() && i < values.size(); ++i)
            numbers[i].value = values[i];
        return answer;
    }
};

TEST(QuestionServices, FileQuestionsCheckWhatTheModulePasses) {
    const std::string unterminated(TSPI_ASK_MAX_TEXT, 'x');
    char path[16];
    struct Case {
        const char* what;
        const char* title;
        char* buffer;
        std::int32_t capacity;
        std::string chosen;
        QuestionAnswer answer;
        TsPiResult expected;
        const char* written;  // null: buffer left alone
    };
    const Case cases[] = {
        {"answered", "Open", path, 16, "/a/b.tif", QuestionAnswer::Answered, TSPI_NO_ERR,
         "/a/b.tif"},
        {"exactly fits", nullptr, path, 16, std::string(15, 'p'), QuestionAnswer::Answered,
         TSPI_NO_ERR, "ppppppppppppppp"},
        {"one too long", nullptr, path, 16, std::string(16, 'p'), QuestionAnswer::Answered,
         TSPI_ERR_PARAMETER, ""},
        {"empty answer", nullptr, path, 16, "", QuestionAnswer::Answered, TSPI_ERR_USER_CANCELED,
         nullptr},
        {"cancelled", nullptr, path, 16, "/x", QuestionAnswer::Cancelled, TSPI_ERR_USER_CANCELED,
         nullptr},
        {"nobody", nullptr, path, 16, "/x", QuestionAnswer::NotAvailable,
         TSPI_ERR_HOST_INSUFFICIENT, nullptr},
        {"no buffer", nullptr, nullptr, 16, "/x", QuestionAnswer::Answered, TSPI_ERR_PARAMETER,
         nullptr},
        {"no capacity", nullptr, path, 0, "/x", QuestionAnswer::Answered, TSPI_ERR_PARAMETER,
         nullptr},
        {"negative capacity", nullptr, path, -4, "/x", QuestionAnswer::Answered, TSPI_ERR_PARAMETER,
         nullptr},
        {"unterminated title", unterminated.c_str(), path, 16, "/x", QuestionAnswer::Answered,
         TSPI_ERR_PARAMETER, nullptr},
    };
    for (const Case& c : cases) {
        for (const bool save : {false, true}) {
            ScriptedPort port;
            port.answer = c.answer;
            port.path = c.chosen;
            std::memset(path, '#', sizeof path);
            const TsPiResult result =
                save ? serveSaveFileQuestion(&port, "Module", c.title, "name.jpg", "", c.buffer,
                                             c.capacity)
                     : serveOpenFileQuestion(&port, "Module", c.title, "", c.buffer, c.capacity);
            EXPECT_EQ(result, c.expected) << c.what << (save ? " (save)" : " (open)");
            if (c.written != nullptr)
                EXPECT_STREQ(path, c.written) << c.what;
            else
                EXPECT_EQ(path[0], '#') << c.what;
        }
    }
}

TEST(QuestionServices, FileQuestionsReachThePortWithTheirTexts) {
    ScriptedPort port;
    char path[64];
    ASSERT_EQ(serveSaveFileQuestion(&port, "Web JPEG", nullptr, "Untitled.jpg",
                                    "JPEG files (*.jpg)", path, sizeof path),
              TSPI_NO_ERR);
    ASSERT_EQ(port.files.size(), 1u);
    EXPECT_EQ(port.files[0].title, "Web JPEG");  // a null title is the module's name
    EXPECT_EQ(port.files[0].suggestedName, "Untitled.jpg");
    EXPECT_EQ(port.files[0].filter, "JPEG files (*.jpg)");
    EXPECT_EQ(serveOpenFileQuestion(nullptr, "M", "T", nullptr, path, sizeof path),
              TSPI_ERR_HOST_INSUFFICIENT);
}

TEST(QuestionServices, NumberQuestionsAreCheckedAndAnswersKeptInRange) {
    ScriptedPort port;
    // Starting values outside their range reach the port moved into it;
    // answers outside it come back moved into it.
    TsPiAskNumber numbers[3] = {
        {"a", "A:", 2, 9, 50}, {"b", "B:", -5, 5, -9}, {"c", "C:", 0, 0, 0}};
    port.values = {1, 7, 0};
    ASSERT_EQ(serveNumbersQuestion(&port, "M", "Title", numbers, 3), TSPI_NO_ERR);
    ASSERT_EQ(port.numberQuestions.size(), 1u);
    EXPECT_EQ(port.numberQuestions[0][0].value, 9);
    EXPECT_EQ(port.numberQuestions[0][1].value, -5);
    EXPECT_EQ(port.numberQuestions[0][1].key, "b");
    EXPECT_EQ(port.numberQuestions[0][1].label, "B:");
    EXPECT_EQ(numbers[0].value, 2);
    EXPECT_EQ(numbers[1].value, 5);
    EXPECT_EQ(numbers[2].value, 0);

    // Declined or unanswerable questions leave the values alone.
    for (const auto& [answer, expected] :
         {std::pair{QuestionAnswer::Cancelled, TSPI_ERR_USER_CANCELED},
          std::pair{QuestionAnswer::NotAvailable, TSPI_ERR_HOST_INSUFFICIENT}}) {
        port.answer = answer;
        TsPiAskNumber one{"a", "A:", 1, 10, 3};
        EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, &one, 1), expected);
        EXPECT_EQ(one.value, 3);
    }

    // Malformed questions never reach the port.
    port.answer = QuestionAnswer::Answered;
    const std::size_t asked = port.numberQuestions.size();
    TsPiAskNumber many[TSPI_ASK_MAX_NUMBERS + 1] = {};
    for (TsPiAskNumber& n : many) n = TsPiAskNumber{"k", "L", 0, 1, 0};
    TsPiAskNumber noKey{nullptr, "L", 0, 1, 0};
    TsPiAskNumber emptyKey{"", "L", 0, 1, 0};
    TsPiAskNumber noLabel{"k", nullptr, 0, 1, 0};
    TsPiAskNumber reversed{"k", "L", 5, 4, 4};
    EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, many, 0), TSPI_ERR_PARAMETER);
    EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, many, -1), TSPI_ERR_PARAMETER);
    EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, many, TSPI_ASK_MAX_NUMBERS + 1),
              TSPI_ERR_PARAMETER);
    EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, nullptr, 1), TSPI_ERR_PARAMETER);
    for (TsPiAskNumber* bad : {&noKey, &emptyKey, &noLabel, &reversed})
        EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, bad, 1), TSPI_ERR_PARAMETER);
    EXPECT_EQ(port.numberQuestions.size(), asked);
    EXPECT_EQ(serveNumbersQuestion(&port, "M", nullptr, many, TSPI_ASK_MAX_NUMBERS), TSPI_NO_ERR);
}

TEST(QuestionServices, HostProcedureHandsOutTheSuiteOnlyForItsSelector) {
    std::intptr_t word = 0;
    hostProcedures().host(1, &word);
    EXPECT_EQ(word, 0);
    hostProcedures().host(TSPI_HOST_ASK_SUITE, nullptr);  // no word: nothing happens
    hostProcedures().host(TSPI_HOST_ASK_SUITE, &word);
    EXPECT_EQ(tspiAskSuite(TSPI_HOST_SIGNATURE, hostProcedures().host),
              reinterpret_cast<const TsPiAskSuite*>(word));
    EXPECT_EQ(tspiAskSuite(TSPI_HOST_ANY, hostProcedures().host), nullptr);
    // Outside a module's call nobody can answer.
    char path[8];
    EXPECT_EQ(askSuite().askOpenFile("T", nullptr, path, sizeof path), TSPI_ERR_HOST_INSUFFICIENT);
}

// Posterize to `levels` levels from its definition: the bin of v among
// `levels` equal bins, spread evenly over 0 ... 255 and rounded.
std::uint8_t posterizeReference(std::uint8_t v, int levels) {
    return static_cast<std::uint8_t>(std::lround((v * levels / 256) * 255.0 / (levels - 1)));
}

class ShippedModulesAsking : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Posterize.8bf", "TiffPages.8ba", "WebJpeg.8be"})
            if (!test::fs::exists(shippedModule(name))) GTEST_SKIP() << name << " is not built";
        rig.install({shippedModule("Posterize.8bf"), shippedModule("TiffPages.8ba"),
                     shippedModule("WebJpeg.8be")});
        rig.host.setModuleQuestions(&port);
    }
    PlugInRecord& kind(std::int32_t wanted) {
        for (PlugInRecord* r = rig.list.head(); r != nullptr; r = r->next.get())
            if (r->kind == wanted) return *r;
        throw std::runtime_error("no module of that kind");
    }

    HostRig rig;
    ScriptedPort port;
    test::TempDir files;
    std::unique_ptr<Filter> lastFilter;
};

TEST_F(ShippedModulesAsking, PosterizeTakesItsLevelsFromThePort) {
    for (const int levels : {2, 3, 9}) {
        auto page = rig.picture(Page::kTypeRgb, 40, 30, levels);
        const auto before = test::allPlanes(*page);
        port.values = {levels};
        FakeView view(page.get());
        ASSERT_TRUE(PlugInFilterCommand(rig.host, rig.list, view, rig.record("Posterize").commandId,
                                        lastFilter));
        for (int p = 0; p < 3; ++p) {
            const auto after = samples(*page, p, page->bounds());
            for (std::size_t i = 0; i < after.size(); ++i)
                ASSERT_EQ(after[i], posterizeReference(before[p][i], levels))
                    << levels << " levels, plane " << p << " sample " << i;
        }
    }
    ASSERT_EQ(port.numberQuestions.size(), 3u);
    const NumberQuestion& asked = port.numberQuestions.back()[0];
    EXPECT_EQ(asked.key, "levels");
    EXPECT_EQ(asked.minimum, 2);
    EXPECT_EQ(asked.maximum, 255);
    EXPECT_EQ(asked.value, 3);  // the module starts from the levels of its last run
}

TEST_F(ShippedModulesAsking, DecliningTheQuestionCancelsQuietly) {
    auto page = rig.picture(Page::kTypeGrey, 20, 10, 4);
    const auto before = test::allPlanes(*page);
    port.answer = QuestionAnswer::Cancelled;
    FakeView view(page.get());
    EXPECT_FALSE(PlugInFilterCommand(rig.host, rig.list, view, rig.record("Posterize").commandId,
                                     lastFilter));
    EXPECT_TRUE(rig.host.cancelled());
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(lastFilter, nullptr);
    EXPECT_EQ(rig.record("Posterize").parameters, nullptr);

    // The next run starts with a clear flag; nobody to ask means the
    // module's default of four levels.
    port.answer = QuestionAnswer::NotAvailable;
    ASSERT_TRUE(PlugInFilterCommand(rig.host, rig.list, view, rig.record("Posterize").commandId,
                                    lastFilter));
    EXPECT_FALSE(rig.host.cancelled());
    const auto after = samples(*page, 0, page->bounds());
    for (std::size_t i = 0; i < after.size(); ++i)
        ASSERT_EQ(after[i], posterizeReference(before[0][i], 4)) << i;
}

TEST_F(ShippedModulesAsking, ExportWritesTheFileThePortNamesWithinItsLimit) {
    auto page = rig.picture(Page::kTypeRgb, 90, 70, 5);
    const test::fs::path out = files / "asked.jpg";
    port.path = out.native();
    port.values = {4};
    PlugInRecord& exporter = kind(kPlugInKindExport);
    ASSERT_TRUE(PlugInExportCommand(rig.host, rig.list, exporter.commandId, page.get()));
    ASSERT_TRUE(test::fs::exists(out));
    EXPECT_LE(test::fs::file_size(out), 4u * 1024);
    ASSERT_EQ(port.files.size(), 1u);
    EXPECT_EQ(port.files[0].suggestedName, "Untitled.jpg");
    ASSERT_EQ(port.numberQuestions.size(), 1u);
    EXPECT_EQ(port.numberQuestions[0][0].key, "limit");

    port.answer = QuestionAnswer::Cancelled;
    port.path = (files / "declined.jpg").native();
    EXPECT_FALSE(PlugInExportCommand(rig.host, rig.list, exporter.commandId, page.get()));
    EXPECT_TRUE(rig.host.cancelled());
    EXPECT_FALSE(test::fs::exists(files / "declined.jpg"));
}

TEST_F(ShippedModulesAsking, ImportOpensTheFileThePortNamesOrCancels) {
    if (!test::fs::exists("/usr/bin/convert")) GTEST_SKIP() << "/usr/bin/convert is missing";
    const test::fs::path tiff = files / "two.tif";
    const std::string command =
        "/usr/bin/convert -size 12x8 xc:red -size 7x5 xc:blue " + tiff.native() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PlugInRecord& import = kind(kPlugInKindImport);
    port.path = tiff.native();
    test::FakeDocuments documents;
    EXPECT_TRUE(
        PlugInImportCommand(rig.host, rig.list, import.commandId, documents, rig.environment()));
    ASSERT_EQ(documents.documents.size(), 2u);
    EXPECT_EQ(documents.documents[1].page->bounds(), (Rect{0, 0, 7, 5}));
    ASSERT_EQ(port.files.size(), 1u);
    EXPECT_NE(port.files[0].filter.find("*.tif"), std::string::npos);

    port.answer = QuestionAnswer::Cancelled;
    test::FakeDocuments none;
    EXPECT_FALSE(
        PlugInImportCommand(rig.host, rig.list, import.commandId, none, rig.environment()));
    EXPECT_TRUE(rig.host.cancelled());
    EXPECT_EQ(none.offered, 0);
}

}  // namespace
}  // namespace tessary
