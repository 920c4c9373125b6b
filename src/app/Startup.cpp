// Every process-wide object of the program, defined in one place so that
// their construction order is fixed by this file and not by link order. The
// order is visible to users: writers link at the head of their list, so the
// usage text lists them newest first.
#include "app/ConsoleAndUsage.h"
#include "app/JobSettings.h"
#include "plat/Configuration.h"
#include "plat/DynamicFn.h"
#include "plat/LogParameter.h"
#include "plat/LogTargets.h"
#include "plat/OsVersion.h"
#include "print/JobParameters.h"
#include "print/PrintLogs.h"

plat::LogWriter pdfPrintLog("PDFPrintFns");
plat::LogWriter mainLog("main");

plat::NarrowChars pdfFileName;
plat::NarrowChars printerName;
plat::NarrowChars documentTitle;
bool scaleFlag = false;

plat::LogWriter plat::assertionLog("Assertion");

plat::StringParameter logParameter(
    "Log",
    "Specifies which log output should be directed to which target logger, and the level "
    "of output to log. Format is <log>:<target>:<level>[, ...].",
    "", true, nullptr);
LogParameterChangedCallback logParameterChangedCallback;
namespace {
struct AttachLogCallback {
    AttachLogCallback() { logParameter.callback = &logParameterChangedCallback; }
} attachLogCallback;
}  // namespace

plat::LogWriter plat::configLog("Config");

plat::Logger_Debug plat::debugLogger("debug");
plat::CriticalSection plat::fileLoggerLock;
plat::Logger_File plat::fileLogger("file");

LogFileParameter logFileParameter;

plat::Logger_File plat::stderrLogger("stderr");
plat::Logger_File plat::stdoutLogger("stdout");

plat::LogWriter printerLog("Printer");
plat::LogWriter paperSizesLog("PaperSizes");

Console console;

plat::LogWriter plat::registryLog("Registry");

// Records the program's description of start-up asks for; nothing in the
// program reads them. They ask the system, so a failure is kept for the run
// to report rather than ending the process before main.
plat::DynamicFn plat::regEnableReflectionKey(plat::atStartup, "advapi32", "RegEnableReflectionKey", false);
plat::DynamicFn plat::regDisableReflectionKey(plat::atStartup, "advapi32", "RegDisableReflectionKey",
                                              false);
plat::DynamicFn plat::regQueryReflectionKey(plat::atStartup, "advapi32", "RegQueryReflectionKey", false);

plat::OsVersion plat::osVersion(plat::atStartup);

plat::LogWriter plat::dynamicFnLog("DynamicFn");

// The job controls and the signals for the caller: parameters of the
// "Global" set beyond those above. Unset, each leaves the run as it was.
plat::StringParameter copiesParameter("Copies", "Number of copies, 1 to 999.", "", false, nullptr);
plat::ChoiceParameter collateParameter(
    "Collate", "Copies collated (yes) or each page as many times over (no).", {"yes", "no"});
plat::ChoiceParameter duplexParameter(
    "Duplex", "One-sided (off) or two-sided, bound on the long or the short edge.",
    {"off", "long", "short"});
plat::StringParameter trayParameter("Tray", "The input tray: a name the printer reports, or auto.",
                                    "", false, nullptr);
plat::ChoiceParameter colorParameter("Color", "Colour or monochrome.", {"color", "mono"});
plat::StringParameter pagesParameter(
    "Pages", "Only these pages, numbered from 1, in document order: 1-3,7,10-.", "", false, nullptr);
plat::ChoiceParameter scalingParameter(
    "Scaling",
    "auto: a page at true size on its own paper, any other shrunk to fit and centred; fit: every "
    "page evenly to the printable area; none: every page at true size; stretch: as -scale.",
    {"auto", "fit", "none", "stretch"});
plat::ChoiceParameter exitCodeParameter(
    "ExitCode", "fixed: the exit code is always 1; result: 0 printed, 1 failed, 2 bad command line "
                "or value, 3 printed with pages skipped, 4 ended without printing at the printer, "
                "5 still queued when Wait was up.",
    {"fixed", "result"});
plat::ChoiceParameter noticeParameter(
    "Notice", "desktop: a failed run shows a notice when a desktop is there; none: never.",
    {"desktop", "none"});
plat::ChoiceParameter dryRunParameter(
    "DryRun", "yes: make every choice, write the plan to standard output and print nothing.",
    {"no", "yes"});
plat::StringParameter reportParameter(
    "Report", "Where the run's outcome goes as JSON, on every way a run ends: a file's name (readable "
              "by its user alone), or - for a line of its own on standard output.",
    "", false, nullptr);
plat::StringParameter waitParameter(
    "Wait", "Seconds to follow the job until it is on paper; 0, the default, ends the run once "
            "the spooler has it.",
    "", false, nullptr);
plat::StringParameter userParameter(
    "User", "The user the job is for and who signs in where a print server or printer asks; "
            "the login name by default.",
    "", false, nullptr);
plat::StringParameter passwordFileParameter(
    "PasswordFile", "A file readable by its owner alone whose first line is the password for a "
                    "print server or printer that asks.",
    "", false, nullptr);
plat::StringParameter paperParameter(
    "Paper", "Where a page of a size no paper has goes: smallest, the smallest paper that holds it; "
             "exact, a paper of its own size where the printer takes one; or a paper's name, every "
             "page on that paper.",
    "", false, nullptr);
