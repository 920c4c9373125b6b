// The entry function's steps and the command-line grammar.
#include "app/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/ConsoleAndUsage.h"
#include "app/InputDocument.h"
#include "app/JobSettings.h"
#include "app/Notice.h"
#include "app/RunReport.h"
#include "app/VersionBanner.h"
#include "plat/ChoiceParameter.h"
#include "plat/Configuration.h"
#include "plat/Exception.h"
#include "plat/StartupFailures.h"
#include "plat/LogParameter.h"
#include "plat/LogTargets.h"
#include "plat/Strings.h"
#include "print/JobOptions.h"
#include "print/PrintJob.h"

namespace {

// Where parsing stands: the argument vector and the last index consumed.
struct ArgumentCursor {
    int count;
    char** arguments;
    int last;
    bool printIniOperand = false;   // the argument at hand follows "-printini"

    // The next operand of the option at hand; the usage text when none is left.
    const char* operand() {
        ++last;
        if (last >= count) printUsage();
        return arguments[last];
    }
};

void takeConsole(ArgumentCursor&) {
    console.ensure();
}

void takePrintPdf(ArgumentCursor& cursor) {
    pdfFileName.assign(cursor.operand());
    printerName.assign(cursor.operand());
    documentTitle.assign(cursor.operand());
    mainLog.info("pdf (%s), printer (%s), document(%s)", pdfFileName.get(), printerName.get(),
                 documentTitle.get());
}

void takeScale(ArgumentCursor&) {
    scaleFlag = true;
}

void takeHelp(ArgumentCursor&) {
    // "-help all" gives the same text; the "all" is not consumed.
    printUsage();
}

struct Option {
    const char* name;
    void (*take)(ArgumentCursor&);
};

// Matched in this order, ignoring the case of ASCII letters.
constexpr Option kOptions[] = {
    {"-console", takeConsole}, {"-printpdf", takePrintPdf}, {"-scale", takeScale},
    {"-help", takeHelp},       {"--help", takeHelp},        {"-h", takeHelp},
    {"/?", takeHelp},
};

// Arguments of the name=value form that set no parameter. They are ignored,
// since callers may pass parameters of other versions, but never in silence:
// a misspelt Copies would print one copy.
std::vector<std::string> unknownSettings;

// The name of a name=value, -name=value or --name=value argument, or empty
// for any other argument.
std::string settingName(const char* argument) {
    const char* name = argument;
    if (*name == '-') ++name;
    if (*name == '-') ++name;
    const char* equals = std::strchr(name, '=');
    return equals ? std::string(name, static_cast<size_t>(equals - name)) : std::string();
}

// The parameters of the "Global" set by name, for messages.
std::string parameterNames() {
    std::vector<std::string> names;
    for (const plat::VoidParameter* p = plat::ParameterSet::global()->head; p; p = p->next)
        names.emplace_back(p->name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return plat::compareNoCase(a.c_str(), b.c_str()) < 0;
    });
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

void handleArgument(ArgumentCursor& cursor) {
    const char* argument = cursor.arguments[cursor.last];
    const bool printIniOperand = cursor.printIniOperand;
    cursor.printIniOperand = false;
    for (const Option& option : kOptions) {
        if (plat::compareNoCase(argument, option.name) == 0) {
            option.take(cursor);
            return;
        }
    }
    // Anything else may set a parameter (Log=..., LogFile=...); the rest is
    // ignored. "-printini FILE" is taken that way too, and stays silent.
    cursor.printIniOperand = plat::compareNoCase(argument, "-printini") == 0;
    if (plat::ParameterSet::global()->processArg(argument, 0) || printIniOperand) return;
    const std::string name = settingName(argument);
    if (name.empty()) return;
    unknownSettings.emplace_back(argument);
    mainLog.error("Ignoring %s: there is no parameter %s; the parameters are %s", argument, name.c_str(),
                  parameterNames().c_str());
}

// The value of a choice parameter, or the given index when it holds none
// of its choices (that is reported where the run checks its settings).
int choiceOr(plat::ChoiceParameter& parameter, int fallback) {
    try {
        return parameter.choice();
    } catch (const plat::Exception&) {
        return fallback;
    }
}

void reportFailure(const char* message) {
    mainLog.error("Unable to print document: %s", message);
    // Notice=none: services and schedulers have nobody to close a notice.
    if (choiceOr(noticeParameter, 0) != 1) showMessage(nullptr, message, MB_ICONERROR, nullptr);
}

// The outcomes ExitCode=result tells by the exit code.
enum Outcome {
    kPrinted = 0,
    kFailed = 1,
    kBadRequest = 2,          // a bad command line or parameter value, the usage text
    kPrintedWithSkips = 3,    // printed, but pages that could not be loaded were skipped
    kNotPrinted = 4,          // the printer (or somebody) ended the job without printing it
    kStillQueued = 5,         // Wait was up and the job had not printed; it stays queued
};

}  // namespace

void parseCommandLine(int argc, char** argv) {
    ArgumentCursor cursor{argc, argv, 0};
    for (int index = 1; index < argc; index = cursor.last + 1) {
        cursor.last = index;
        try {
            handleArgument(cursor);
        } catch (plat::Exception& e) {
            mainLog.error("%s", e.message);
        }
    }
}

int runQuorlex(int argc, char** argv) {
    int exitCode = 1;
    Outcome outcome = kFailed;
    RunReport report;
    const ErrorLineCollector errorLines(report.messages);
    bool documentFromInput = false;   // standard input is the document's: no prompt reads it
    try {
        initStdioLoggers();
        initFileLogger(defaultLogFileName());
        initDebugLogger();
        logParameter.setParam("*:stderr:0");
        printVersionBanner();
        // A start-up object that failed ends the run as any failure does.
        if (const char* failure = plat::startupFailure()) throw plat::Exception(failure);
        parseCommandLine(argc, argv);
        outcome = kBadRequest;
        if (pdfFileName.get() == nullptr) throw plat::Exception("No PDF file specified");
        if (printerName.get() == nullptr) throw plat::Exception("No printer name specified");
        plat::ChoiceParameter::checkAll();
        // ExitCode=result promises the caller that what was asked is what
        // is done: a setting not understood prints nothing.
        if (!unknownSettings.empty() && choiceOr(exitCodeParameter, 0) == 1) {
            const std::string setting = unknownSettings.front();
            const std::string message =
                setting + " is not accepted: there is no parameter " + settingName(setting.c_str());
            throw plat::BadParameterValue(message.c_str());
        }
        PrintJob job(printerName.get());
        job.options = JobOptions::fromParameters();
        if (dryRunParameter.choice() == 1) job.planOnly = stdout;
        outcome = kFailed;
        // The document from standard input is read whole, the settings
        // settled, before the printer is asked anything.
        if (namesStandardInput(pdfFileName.get())) {
            documentFromInput = true;
            job.documentInMemory = readInputDocument();
        }
        try {
            job.print(pdfFileName.get(), documentTitle.get(), scaleFlag);
        } catch (...) {
            report.results = job.results;
            throw;
        }
        report.results = job.results;
        report.followed = job.options.waitSeconds > 0;
        // A run that printed no page has not succeeded, whatever the reason.
        outcome = job.results.printedPages == 0                  ? kFailed
                  : job.results.jobEnd == JobEnd::StillQueued    ? kStillQueued
                  : job.results.skippedPages > 0                 ? kPrintedWithSkips
                                                         : kPrinted;
    } catch (ExitException& e) {
        mainLog.info("Caught ExitException(%i)", e.exitCode);
        exitCode = e.exitCode;
        outcome = kBadRequest;
    } catch (plat::BadParameterValue& e) {
        outcome = kBadRequest;
        reportFailure(e.message);
    } catch (JobNotPrinted& e) {
        outcome = kNotPrinted;
        reportFailure(e.message);
    } catch (plat::Exception& e) {
        reportFailure(e.message);
    } catch (std::exception& e) {
        // Out of memory and the like: still a failed run the user must hear of.
        reportFailure(e.what());
    }
    report.result = outcome;
    report.document = pdfFileName.get();
    report.printer = printerName.get();
    report.title = documentTitle.get();
    deliverReport(reportParameter.value, reportJson(report));
    if (console.present && !documentFromInput) {
        fputs("Press Enter/Return key to continue\n", stdout);
        fflush(stdout);
        waitForEnter();
    }
    // ExitCode=result: the exit code tells the outcome; otherwise it is 1 on
    // every path.
    if (choiceOr(exitCodeParameter, 0) == 1) exitCode = outcome;
    return exitCode;
}
