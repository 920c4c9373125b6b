// The entry function's steps and the command-line grammar.
#include "app/CommandLine.h"

#include <cstdio>
#include <exception>

#include "app/ConsoleAndUsage.h"
#include "app/JobSettings.h"
#include "app/Notice.h"
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

void handleArgument(ArgumentCursor& cursor) {
    const char* argument = cursor.arguments[cursor.last];
    for (const Option& option : kOptions) {
        if (plat::compareNoCase(argument, option.name) == 0) {
            option.take(cursor);
            return;
        }
    }
    // Anything else may set a parameter (Log=..., LogFile=...); the rest is ignored.
    plat::ParameterSet::global()->processArg(argument, 0);
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
        PrintJob job(printerName.get());
        job.options = JobOptions::fromParameters();
        if (dryRunParameter.choice() == 1) job.planOnly = stdout;
        outcome = kFailed;
        job.print(pdfFileName.get(), documentTitle.get(), scaleFlag);
        // A run that printed no page has not succeeded, whatever the reason.
        outcome = job.printedPages == 0 ? kFailed : job.skippedPages > 0 ? kPrintedWithSkips : kPrinted;
    } catch (ExitException& e) {
        mainLog.info("Caught ExitException(%i)", e.exitCode);
        exitCode = e.exitCode;
        outcome = kBadRequest;
    } catch (plat::BadParameterValue& e) {
        outcome = kBadRequest;
        reportFailure(e.message);
    } catch (plat::Exception& e) {
        reportFailure(e.message);
    } catch (std::exception& e) {
        // Out of memory and the like: still a failed run the user must hear of.
        reportFailure(e.what());
    }
    if (console.present) {
        fputs("Press Enter/Return key to continue\n", stdout);
        fflush(stdout);
        (void)getchar();
    }
    // ExitCode=result: the exit code tells the outcome; otherwise it is 1 on
    // every path.
    if (choiceOr(exitCodeParameter, 0) == 1) exitCode = outcome;
    return exitCode;
}
