// Every process-wide object of the program, defined in one place so that
// their construction order is fixed by this file and not by link order. The
// order is visible to users: writers link at the head of their list, so the
// usage text lists them newest first.
#include "app/Console.h"
#include "app/JobSettings.h"
#include "plat/Configuration.h"
#include "plat/DynamicFn.h"
#include "plat/LogParameter.h"
#include "plat/LogTargets.h"
#include "plat/OsVersion.h"
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

plat::DynamicFn plat::regEnableReflectionKey("advapi32", "RegEnableReflectionKey", false);
plat::DynamicFn plat::regDisableReflectionKey("advapi32", "RegDisableReflectionKey", false);
plat::DynamicFn plat::regQueryReflectionKey("advapi32", "RegQueryReflectionKey", false);

plat::OsVersion plat::osVersion;

plat::LogWriter plat::dynamicFnLog("DynamicFn");
