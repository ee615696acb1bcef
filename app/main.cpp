#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/ApplicationSetup.h"
#include "app/CommandLine.h"
#include "app/VizuruvApp.h"
#include "platform/Descriptors.h"
#include "platform/Signals.h"
#include "platform/WorkFolder.h"

namespace {

// Help, version and refusals are answered before anything of the window
// exists: no display, no settings, no update check.
int Answer(const viz::CommandLine& line, viz::MessageLanguage language) {
    if (line.action == viz::CommandLine::Action::Refuse) {
        std::fputs(line.message.c_str(), stderr);
        return viz::kExitRefused;
    }
    const std::string text =
        line.action == viz::CommandLine::Action::Help ? viz::HelpText(language) : viz::VersionText(language);
    // A full disk or a closed pipe is a failure, not an answer.
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) return viz::kExitOutputFailed;
    return viz::kExitAnswered;
}

}  // namespace

int main(int argc, char** argv) {
    const viz::MessageLanguage language =
        viz::LanguageOf(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const viz::CommandLine line = viz::ParseCommandLine(arguments, language);
    if (line.action != viz::CommandLine::Action::Run) return Answer(line, language);

    viz::IgnoreBrokenPipeSignal();
    viz::RaiseDescriptorLimit();
    // What boards of killed runs left in the temporary folder.
    viz::RemoveWorkFoldersOfEndedProcesses();
    // The toolkit sees the program name and its own options only.
    std::vector<std::string> toolkitTexts{argv[0]};
    toolkitTexts.insert(toolkitTexts.end(), line.toolkitArguments.begin(), line.toolkitArguments.end());
    std::vector<char*> toolkitArgv;
    for (std::string& text : toolkitTexts) toolkitArgv.push_back(text.data());
    toolkitArgv.push_back(nullptr);
    int toolkitArgc = static_cast<int>(toolkitTexts.size());
    QApplication application(toolkitArgc, toolkitArgv.data());
    viz::SetUpApplication(application);
    viz::CVizuruvApp app(line.options);
    return app.Run();
}
