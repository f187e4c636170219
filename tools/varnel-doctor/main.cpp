// varnel-doctor: what the diagnosis screen would show for this Mac, without
// the window. Exit status 0 when every primary stage is ready, 1 when not,
// 2 for a usage error.

#include "app/CommandLineProduct.h"
#include "engine/services/AppServices.h"
#include "engine/config/ProductConfig.h"
#include "tools/varnel-doctor/DoctorProbe.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kUsageError = 2;

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QByteArray usage()
{
    return "usage: varnel-doctor [--json]\n"
           "\n"
           "Profiles this Mac the way Varnel does and prints what its diagnosis screen\n"
           "would show: the profile facts, the summary lines and every stage with its\n"
           "placement, classification, headline, detail and actions.\n"
           "\n"
           "  --json   print a JSON object instead of text (keys in the README)\n"
           "  --help   show this text\n"
           "\n"
           "Exit status: 0 when every primary stage is ready, 1 when not, 2 for a usage error.\n";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    bool json = false;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument == u"--json") {
            json = true;
        } else if (argument == u"--help" || argument == u"-h") {
            write(stdout, usage());
            return 0;
        } else {
            write(stderr, "varnel-doctor: unknown argument " + argument.toUtf8() + "\n\n" + usage());
            return kUsageError;
        }
    }

    // The same product, services and flow model as the application's window.
    varnel::ProductConfig::setCurrent(varnel::products::commandLine());
    const auto report = varnel::DoctorProbe(varnel::ProductConfig::current(), varnel::AppServices::live()).run();
    if (!report) {
        write(stderr, "varnel-doctor: could not profile this Mac\n");
        return 1;
    }
    write(stdout, json ? report->toJsonText() : report->toText().toUtf8());
    return report->exitCode();
}
