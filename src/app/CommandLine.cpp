// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <iostream>
#include <string_view>

#include "DesktopNotice.h"
#include "GroupListLocation.h"
#include "GroupListText.h"
#include "RunReportJson.h"
#include "Runner.h"
#include "SettingsFile.h"
#include "platform.h"

namespace {

std::string DefaultListPath() {
    return DefaultGroupListPath(QCoreApplication::applicationFilePath().toStdString());
}

const QCommandLineOption kListFileOption(QStringLiteral("list-file"),
                                         QStringLiteral("Use the group list in <path> instead of "
                                                        "the default one."),
                                         QStringLiteral("path"));

int UsageError(const std::string& strError) {
    std::cerr << "folvex: " << strError << "\nTry 'folvex --help' for more information.\n";
    return kExitUsage;
}

const QCommandLineOption kExportOption(
    QStringLiteral("export"),
    QStringLiteral("Write the whole group list as JSON text to the [file] given after it "
                   "(--export [file]); without one, or with -, to standard output."));
const QCommandLineOption kImportOption(
    QStringLiteral("import"),
    QStringLiteral("Check the JSON text in <file> (- for standard input) whole, then make it "
                   "the group list, keeping the previous list as Synclist.dat.bak."),
    QStringLiteral("file"));

// "--export=FILE" as "--export FILE": the parser takes no value for an option whose value
// may be left out.
QStringList WithExportValueSplit(QStringList arguments) {
    const QString strPrefix = QStringLiteral("--export=");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--")) {
            break;
        }
        if (arguments[i].startsWith(strPrefix)) {
            const QString strFile = arguments[i].mid(strPrefix.size());
            arguments[i] = QStringLiteral("--export");
            arguments.insert(++i, strFile);
        }
    }
    return arguments;
}

// --export [FILE] and --import FILE, which take no option but --list-file.
int RunListTextCommand(const QCommandLineParser& parser, const std::string& strListFile) {
    for (const QString& strName : parser.optionNames()) {
        if (strName != kExportOption.names().front() && strName != kImportOption.names().front() &&
            strName != kListFileOption.names().front()) {
            return UsageError("--export and --import take no option but --list-file");
        }
    }
    if (parser.isSet(kExportOption) == parser.isSet(kImportOption)) {
        return UsageError("give either --export [FILE] or --import FILE");
    }
    // Ctrl+C ends a wait for the lock or for standard input at once; nothing is written
    // before then, and the import holds the signals back while it writes.
    Platform().SetInterruptHandler(nullptr);
    // Only --export takes a file of its own, as an argument after it.
    const QStringList positional = parser.positionalArguments();
    const qsizetype nAllowed = parser.isSet(kExportOption) ? 1 : 0;
    if (positional.size() > nAllowed) {
        return UsageError("unexpected argument " + positional.at(nAllowed).toStdString());
    }
    if (parser.isSet(kImportOption)) {
        return ImportGroupList(strListFile, parser.value(kImportOption).toStdString(), std::cin,
                               std::cout, std::cerr);
    }
    return ExportGroupList(strListFile, positional.value(0).toStdString(), std::cout, std::cerr);
}

const char* const kHelpFooter =
    "\nWithout --list, --run, --versions, --export or --import, folvex starts its window.\n"
    "Exit status: 0 every pair ran clean, 1 a pair had an error (or the log file or the\n"
    "JSON report cannot be written), 2 bad command line, unknown group or pair, or a group\n"
    "list that cannot be read, or a text that --import refuses (then nothing is changed),\n"
    "3 no errors but warnings (a destination file newer than its source), 130 interrupted\n"
    "by SIGINT or SIGTERM.\n";

const char* const kReportProblems =
    "Report problems at https://folvex.example.org (see also /usr/share/doc/folvex).\n";

const char* const kVersionText =
    "folvex " FOLVEX_VERSION
    "\nCopyright (C) 2026 Folvex developers\n"
    "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// The folder a file is written in, for checking before the run that it can be.
std::string FolderOfFile(const std::string& strPath) {
    const size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : strPath.substr(0, nSlash);
}

// Runs the command, then writes its JSON report and sends its notification as asked. With
// the JSON on standard output, the lines go to standard error.
int RunAndReport(const CRunnerOptions& options, const std::string& strJson, bool bNotify) {
    const bool bJsonOut = strJson == "-";
    std::ostream& out = bJsonOut ? std::cerr : std::cout;
    const bool bTerminal = Platform().IsTerminal(STDERR_FILENO);
    CRunReport report;
    int nStatus = RunCommandLine(options, out, std::cerr, bTerminal ? &std::cerr : nullptr,
                                 bTerminal && (bJsonOut || Platform().IsTerminal(STDOUT_FILENO)),
                                 Platform(), &report);
    if (report.nGroup == 0) {
        return nStatus;  // nothing ran
    }
    std::string strError;
    if (!strJson.empty() && !WriteRunReportJson(report, strJson, strError)) {
        std::cerr << "folvex: the JSON report was not written: " << strError << '\n';
        if (nStatus == kExitClean || nStatus == kExitWarnings) {
            nStatus = kExitErrors;
        }
    }
    if (bNotify) {
        NotifyDesktop(report, options.strLogFile);
    }
    return nStatus;
}

}  // namespace

bool WantsCommandLine(int argc, char** argv) {
    // Only the window's own option, with its value, opens the window: anything else (a typo
    // included) is for the command line, which needs no display to say what is wrong.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--list-file" && i + 1 < argc) {
            ++i;  // its value is a path, whatever it looks like
        } else if (argument.rfind("--list-file=", 0) != 0) {
            return true;
        }
    }
    return false;
}

int RunFromCommandLine(int argc, char** argv) {
    const CRunnerInterrupts interrupts;  // an early interrupt ends the command with its status
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("folvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FOLVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Folvex keeps folders in step by one-way copying. Without a window it lists the "
        "groups of sync pairs, or runs one group (or one pair of it) as the window's "
        "StartAll (Start) does, and prints the log oldest first; or it writes the group list "
        "as JSON text and reads such text back."));
    // Not addHelpOption(): it also offers --help-all for Qt's own options, which the
    // command line does not take.
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
        QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    // -V as GNU tools and rsync have it; -v is --verbose.
    const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOption(version);
    const QCommandLineOption list(QStringLiteral("list"),
                                  QStringLiteral("Print the groups and their pairs, numbered."));
    const QCommandLineOption run(
        QStringLiteral("run"),
        QStringLiteral("Run every pair of <group> in order; <group> is a group's name (the "
                       "first of that name) or its number."),
        QStringLiteral("group"));
    const QCommandLineOption versions(
        QStringLiteral("versions"),
        QStringLiteral("List the replaced versions that the pairs of <group> keep: each "
                       "pair's versions folder, then each run's dated folder in it, oldest "
                       "first, with its files and their size."),
        QStringLiteral("group"));
    const QCommandLineOption pair(
        QStringLiteral("pair"),
        QStringLiteral("Run (or list the versions of) only pair <n> of the group."),
        QStringLiteral("n"));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("Tell for every file what the run would do and why, and whether the "
                       "destination has room; create, copy and change nothing, not even the "
                       "group list."));
    const QCommandLineOption threads(
        QStringLiteral("threads"),
        QStringLiteral("Work on <n> files at once (default: the number of cores, at most 8; 1 "
                       "works one file at a time)."),
        QStringLiteral("n"));
    const QCommandLineOption allowEmpty(
        QStringLiteral("allow-empty-destination"),
        QStringLiteral("Copy into a destination folder that is empty although an earlier run "
                       "copied files there. Without it that is an error, since the folder may "
                       "be the mount point of a disk that is not mounted."));
    const QCommandLineOption quiet(
        {QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("Print only errors, warnings and each pair's and the group's summary."));
    const QCommandLineOption verbose(
        {QStringLiteral("v"), QStringLiteral("verbose")},
        QStringLiteral("Also print a line for each file the run leaves alone, with the reason "
                       "(Skipped (same time): <path>)."));
    const QCommandLineOption logFile(
        QStringLiteral("log-file"),
        QStringLiteral("Also append the output to <path>, each line after a time stamp. A new "
                       "file is readable by you alone; one that cannot be opened ends the "
                       "command before anything runs."),
        QStringLiteral("path"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Write the run's figures as one JSON document to <path> (replaced "
                       "whole), or to standard output for -, the log then going to standard "
                       "error."),
        QStringLiteral("path"));
    const QCommandLineOption notify(
        QStringLiteral("notify"),
        QStringLiteral("When the run ends with errors or warnings, say so in a desktop "
                       "notification (nothing without a desktop session, as under cron)."));
    const QCommandLineOption keepDays(
        QStringLiteral("keep-days"),
        QStringLiteral("Keep the files this run replaces, and remove kept versions older than "
                       "<n> days (0 to 3650; 0 keeps none). Without it, the days set in the "
                       "window's Settings, else 30."),
        QStringLiteral("n"));
    parser.addOptions({list, run, versions, pair, dryRun, allowEmpty, threads, keepDays, quiet,
                       verbose, logFile, json, notify, kListFileOption});
    parser.addOptions({kExportOption, kImportOption});

    if (!parser.parse(WithExportValueSplit(QCoreApplication::arguments()))) {
        return UsageError(parser.errorText().toStdString());
    }
    CRunnerOptions options;
    options.strListFile = parser.isSet(kListFileOption)
                              ? parser.value(kListFileOption).toStdString()
                              : DefaultListPath();
    if (parser.isSet(help)) {
        std::cout << parser.helpText().toStdString() << kHelpFooter
                  << "Group list: " << options.strListFile
                  << "\nSettings:   " << SettingsPathBeside(options.strListFile) << '\n'
                  << kReportProblems;
        return kExitClean;
    }
    if (parser.isSet(version)) {
        std::cout << kVersionText;
        return kExitClean;
    }
    if (parser.isSet(kExportOption) || parser.isSet(kImportOption)) {
        return RunListTextCommand(parser, options.strListFile);
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError("unexpected argument " +
                          parser.positionalArguments().front().toStdString());
    }
    const int nCommands = (parser.isSet(list) ? 1 : 0) + (parser.isSet(run) ? 1 : 0) +
                          (parser.isSet(versions) ? 1 : 0);
    if (nCommands != 1) {
        return UsageError("give one of --list, --run GROUP or --versions GROUP");
    }
    if (!parser.isSet(run)) {
        for (const QCommandLineOption* pOption : {&dryRun, &threads, &allowEmpty, &keepDays, &quiet,
                                                  &verbose, &logFile, &json, &notify}) {
            if (parser.isSet(*pOption)) {
                return UsageError("--" + pOption->names().back().toStdString() +
                                  " goes with --run");
            }
        }
    }
    if (parser.isSet(list) && parser.isSet(pair)) {
        return UsageError("--pair goes with --run or --versions");
    }
    if (parser.isSet(quiet) && parser.isSet(verbose)) {
        return UsageError("--quiet and --verbose do not go together");
    }
    if (parser.isSet(threads)) {
        bool bNumber = false;
        const int nThreads = parser.value(threads).toInt(&bNumber);
        if (!bNumber || nThreads < 1 || nThreads > 64) {
            return UsageError("--threads takes a number from 1 to 64");
        }
        options.nThreads = static_cast<unsigned>(nThreads);
    }
    if (parser.isSet(keepDays)) {
        bool bNumber = false;
        const int nDays = parser.value(keepDays).toInt(&bNumber);
        if (!bNumber || nDays < 0 || nDays > static_cast<int>(kMostKeepVersionDays)) {
            return UsageError("--keep-days takes a number from 0 to 3650");
        }
        options.nKeepVersionDays = static_cast<uint32_t>(nDays);
    } else if (parser.isSet(run)) {
        const CSettings settings = ReadSettings(SettingsPathBeside(options.strListFile));
        if (!settings.strProblem.isEmpty()) {
            for (const QString& strLine : settings.strProblem.split(QLatin1Char('\n'))) {
                std::cerr << "folvex: " << strLine.toStdString() << '\n';
            }
        }
        options.nKeepVersionDays = settings.nKeepVersionDays;
    }
    options.command = parser.isSet(list)  ? CRunnerOptions::Command::List
                      : parser.isSet(run) ? CRunnerOptions::Command::Run
                                          : CRunnerOptions::Command::Versions;
    options.strGroup =
        (parser.isSet(run) ? parser.value(run) : parser.value(versions)).toStdString();
    options.bDryRun = parser.isSet(dryRun);
    options.bAllowEmptyDestination = parser.isSet(allowEmpty);
    if (parser.isSet(pair)) {
        bool bNumber = false;
        options.nPair = parser.value(pair).toInt(&bNumber);
        if (!bNumber || options.nPair < 1) {
            return UsageError("--pair takes a pair's number, from 1");
        }
    }
    options.bQuiet = parser.isSet(quiet);
    options.bVerbose = parser.isSet(verbose);
    options.strLogFile = parser.value(logFile).toStdString();
    if (parser.isSet(logFile) && options.strLogFile.empty()) {
        return UsageError("--log-file takes a path");
    }
    const std::string strJson = parser.value(json).toStdString();
    if (parser.isSet(json) && strJson.empty()) {
        return UsageError("--json takes a path, or - for standard output");
    }
    // The JSON report's folder is checked now, not after a long run.
    if (!strJson.empty() && strJson != "-" && !Platform().IsWritableFolder(FolderOfFile(strJson))) {
        std::cerr << "folvex: cannot write the JSON report in " << FolderOfFile(strJson) << '\n';
        return kExitErrors;
    }
    return RunAndReport(options, strJson, parser.isSet(notify));
}

bool ParseWindowArguments(const QStringList& arguments, std::string& strListPath,
                          std::string& strError) {
    QCommandLineParser parser;
    parser.addOption(kListFileOption);
    if (!parser.parse(arguments)) {
        strError = parser.errorText().toStdString();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        strError = "unexpected argument " + parser.positionalArguments().front().toStdString();
        return false;
    }
    strListPath = parser.isSet(kListFileOption) ? parser.value(kListFileOption).toStdString()
                                                : DefaultListPath();
    return true;
}
