#include "CommandLine.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <iostream>
#include <string_view>

#include "GroupListLocation.h"
#include "GroupListText.h"
#include "Runner.h"
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
    "\nWithout --list, --run, --export or --import, folvex starts its window.\n"
    "Exit status: 0 every pair ran clean, 1 a pair had an error or a warning,\n"
    "2 bad command line, unknown group or pair, a group list that cannot be read,\n"
    "or a text that --import refuses (then nothing is changed),\n"
    "130 interrupted by SIGINT or SIGTERM.\n";

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
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption list(QStringLiteral("list"),
                                  QStringLiteral("Print the groups and their pairs, numbered."));
    const QCommandLineOption run(
        QStringLiteral("run"),
        QStringLiteral("Run every pair of <group> in order; <group> is a group's name (the "
                       "first of that name) or its number."),
        QStringLiteral("group"));
    const QCommandLineOption pair(QStringLiteral("pair"),
                                  QStringLiteral("Run only pair <n> of the group."),
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
    parser.addOptions({list, run, pair, dryRun, allowEmpty, threads, kListFileOption});
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
                  << "Group list: " << options.strListFile << '\n';
        return kExitClean;
    }
    if (parser.isSet(version)) {
        std::cout << "folvex " << FOLVEX_VERSION << '\n';
        return kExitClean;
    }
    if (parser.isSet(kExportOption) || parser.isSet(kImportOption)) {
        return RunListTextCommand(parser, options.strListFile);
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError("unexpected argument " +
                          parser.positionalArguments().front().toStdString());
    }
    if (parser.isSet(list) == parser.isSet(run)) {
        return UsageError("give either --list or --run GROUP");
    }
    if (parser.isSet(list) && (parser.isSet(pair) || parser.isSet(dryRun) ||
                               parser.isSet(threads) || parser.isSet(allowEmpty))) {
        return UsageError(
            "--pair, --dry-run, --allow-empty-destination and --threads go with --run");
    }
    if (parser.isSet(threads)) {
        bool bNumber = false;
        const int nThreads = parser.value(threads).toInt(&bNumber);
        if (!bNumber || nThreads < 1 || nThreads > 64) {
            return UsageError("--threads takes a number from 1 to 64");
        }
        options.nThreads = static_cast<unsigned>(nThreads);
    }
    options.command =
        parser.isSet(list) ? CRunnerOptions::Command::List : CRunnerOptions::Command::Run;
    options.strGroup = parser.value(run).toStdString();
    options.bDryRun = parser.isSet(dryRun);
    options.bAllowEmptyDestination = parser.isSet(allowEmpty);
    if (parser.isSet(pair)) {
        bool bNumber = false;
        options.nPair = parser.value(pair).toInt(&bNumber);
        if (!bNumber || options.nPair < 1) {
            return UsageError("--pair takes a pair's number, from 1");
        }
    }
    const bool bTerminal = Platform().IsTerminal(STDERR_FILENO);
    return RunCommandLine(options, std::cout, std::cerr, bTerminal ? &std::cerr : nullptr,
                          bTerminal && Platform().IsTerminal(STDOUT_FILENO));
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
