#include "tools/e2e-driver/JourneyScript.h"

#include "ui/AppEnvironment.h"
#include "ui/SetupActionProgressView.h"
#include "ui/SetupWorkflowView.h"
#include "ui/UiStyle.h"
#include "ui/VarnelRootView.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <memory>
#include <utility>

namespace varnel {

namespace {

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

bool fail(const QString& why)
{
    say(QStringLiteral("FAIL: ") + why);
    return false;
}

// The widget of that name a person can see; several may carry it while a
// replaced screen waits to be deleted.
template <typename T>
T* visibleWidget(QWidget& root, const QString& id)
{
    for (T* widget : root.findChildren<T*>(id))
        if (widget->isVisible())
            return widget;
    return nullptr;
}

template <typename T>
T* usableWidget(QWidget& root, const QString& id)
{
    T* widget = visibleWidget<T>(root, id);
    return widget && widget->isEnabled() ? widget : nullptr;
}

// $NAME and ${NAME} from the environment; false when one is not set.
bool expand(QString& word, QString* error)
{
    static const QRegularExpression variable(QStringLiteral(R"(\$(?:\{(\w+)\}|(\w+)))"));
    QString out;
    qsizetype from = 0;
    for (auto it = variable.globalMatch(word); it.hasNext();) {
        const auto match = it.next();
        const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        if (!qEnvironmentVariableIsSet(name.toUtf8().constData())) {
            *error = QStringLiteral("$%1 is not set").arg(name);
            return false;
        }
        out += word.mid(from, match.capturedStart() - from) + qEnvironmentVariable(name.toUtf8().constData());
        from = match.capturedEnd();
    }
    word = out + word.mid(from);
    return true;
}

std::optional<QStringList> split(const QString& line, QString* error)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (c.isSpace() && !quoted) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        *error = QStringLiteral("a quote is not closed");
        return std::nullopt;
    }
    if (inWord)
        words << word;
    return words;
}

struct Syntax {
    const char* name;
    int minArguments;
    int maxArguments;
};

constexpr Syntax kSyntax[] = {
    {"click", 1, 1},        {"tick", 1, 1},          {"untick", 1, 1}, {"type", 2, 2},
    {"wait-for", 1, 1},     {"wait-profile", 0, 0}, {"expect-step", 1, 4},   {"wait-running", 0, 0},
    {"wait-progress", 0, 2}, {"choose-folder", 1, 1}, {"read", 1, 1},   {"shot", 2, 2},
    {"timeout", 1, 1},
};

SetupActionProgressView* visibleProgress(QWidget& window)
{
    for (auto* view : window.findChildren<SetupActionProgressView*>())
        if (view->isVisible())
            return view;
    return nullptr;
}

}  // namespace

QString JourneyScript::stepName(const SetupFlowModel::Step& step)
{
    using Kind = SetupFlowModel::Step::Kind;
    switch (step.kind) {
    case Kind::loading: return QStringLiteral("loading");
    case Kind::diagnosisSummary: return QStringLiteral("diagnosis summary");
    case Kind::readinessWarning: return QStringLiteral("readiness warning");
    case Kind::stage: return QStringLiteral("stage ") + step.domainID;
    case Kind::interstitial: return QStringLiteral("interstitial");
    case Kind::verifying: return QStringLiteral("verifying");
    case Kind::keepGoingGate: return QStringLiteral("keep going gate");
    case Kind::outcome: return QStringLiteral("outcome");
    case Kind::nps: return QStringLiteral("nps");
    }
    return QStringLiteral("unknown");
}

JourneyScript::JourneyScript(QWidget& window, VarnelRootView& root, QString shotsDir)
    : window_(window), root_(root), shotsDir_(std::move(shotsDir))
{
    heartbeat_.setInterval(10);
    heartbeat_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat_, &QTimer::timeout, [this] { beat(); });
    // Links and apps open as on a Mac, with `open` (the simulated Mac's
    // browser): a window-less Qt has no desktop services of its own.
    ui::setURLOpener([](const QUrl& url) {
        const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString();
        say(QStringLiteral("open: ") + target);
        if (!QProcess::startDetached(QStringLiteral("/usr/bin/open"), {target}))
            say(QStringLiteral("FAIL: /usr/bin/open did not start"));
    });
}

std::optional<std::vector<JourneyScript::Command>> JourneyScript::parse(const QString& script, QString* error)
{
    std::vector<Command> commands;
    const QStringList lines = script.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = lines[i].trimmed();
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        QString why;
        auto words = split(text, &why);
        const Syntax* syntax = nullptr;
        if (words)
            for (const Syntax& s : kSyntax)
                if (words->first() == QLatin1String(s.name))
                    syntax = &s;
        if (words && !syntax)
            why = QStringLiteral("unknown command \"%1\"").arg(words->first());
        else if (syntax && (words->size() - 1 < syntax->minArguments || words->size() - 1 > syntax->maxArguments))
            why = QStringLiteral("wrong number of words for %1").arg(words->first());
        if (why.isEmpty())
            for (QString& word : *words)
                if (!expand(word, &why))
                    break;
        if (!why.isEmpty()) {
            *error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return std::nullopt;
        }
        commands.push_back({static_cast<int>(i + 1), text, *words});
    }
    return commands;
}

bool JourneyScript::run(const std::vector<Command>& commands)
{
    QElapsedTimer total;
    total.start();
    sinceBeat_.start();
    heartbeat_.start();
    bool ok = true;
    int number = 0;
    for (const Command& command : commands) {
        ++number;
        current_ = QStringLiteral("%1 (line %2)").arg(command.words.join(u' ')).arg(command.line);
        if (command.words.first() == u"type")  // what is typed may be a key
            current_ = QStringLiteral("type %1 (line %2)").arg(command.words[1]).arg(command.line);
        QElapsedTimer clock;
        clock.start();
        ok = execute(command);
        say(QStringLiteral("step %1: %2: %3 ms%4")
                .arg(number)
                .arg(current_)
                .arg(clock.elapsed())
                .arg(ok ? QString() : QStringLiteral(" (failed)")));
        if (!ok)
            break;
    }
    heartbeat_.stop();
    say(QStringLiteral("journey: %1 ms").arg(total.elapsed()));
    say(QStringLiteral("longest UI-thread stall: %1 ms during %2")
            .arg(longestStallMs_)
            .arg(longestStallDuring_.isEmpty() ? QStringLiteral("nothing") : longestStallDuring_));
    return ok;
}

void JourneyScript::beat()
{
    const qint64 late = sinceBeat_.restart() - heartbeat_.interval();
    if (late > longestStallMs_) {
        longestStallMs_ = late;
        longestStallDuring_ = current_;
    }
}

bool JourneyScript::execute(const Command& command)
{
    const QString& verb = command.words.first();
    const QStringList args = command.words.mid(1);
    if (verb == u"click")
        return click(args[0]);
    if (verb == u"tick" || verb == u"untick")
        return tick(args[0], verb == u"tick");
    if (verb == u"type")
        return type(args[0], args[1]);
    if (verb == u"wait-for")
        return waitForWidget(args[0]);
    if (verb == u"wait-profile")
        return waitFor([&] { return root_.environment().profile().has_value(); }) ||
               fail(QStringLiteral("the start-up probe did not finish"));
    if (verb == u"expect-step")
        return expectStep(args.join(u' '));
    if (verb == u"wait-running")
        return waitRunning();
    if (verb == u"wait-progress") {
        if (args.isEmpty())
            return waitProgress(std::nullopt);
        bool number = false;
        const int seconds = args.size() == 2 ? args[1].toInt(&number) : 0;
        if (args[0] != u"cancel-after" || !number || seconds < 0)
            return fail(QStringLiteral("wait-progress takes nothing or cancel-after SECONDS"));
        return waitProgress(seconds);
    }
    if (verb == u"choose-folder") {
        chooseFolder(args[0]);
        return true;
    }
    if (verb == u"read")
        return read(args[0]);
    if (verb == u"shot")
        return shot(args[0], args[1]);
    // timeout
    bool number = false;
    const int seconds = args[0].toInt(&number);
    if (!number || seconds <= 0)
        return fail(QStringLiteral("timeout takes a number of seconds"));
    timeoutMs_ = seconds * 1000;
    return true;
}

bool JourneyScript::waitFor(const std::function<bool()>& condition) const
{
    QDeadlineTimer deadline(timeoutMs_);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool JourneyScript::click(const QString& id)
{
    QAbstractButton* button = nullptr;
    if (!waitFor([&] { return (button = usableWidget<QAbstractButton>(window_, id)) != nullptr; }))
        return fail(QStringLiteral("no visible, enabled button \"%1\"").arg(id));
    button->click();
    return true;
}

bool JourneyScript::tick(const QString& id, bool checked)
{
    QAbstractButton* box = nullptr;
    if (!waitFor([&] { return (box = usableWidget<QAbstractButton>(window_, id)) != nullptr; }))
        return fail(QStringLiteral("no visible, enabled box \"%1\"").arg(id));
    if (!box->isCheckable())
        return fail(QStringLiteral("\"%1\" cannot be ticked").arg(id));
    if (box->isChecked() != checked)
        box->click();
    return box->isChecked() == checked || fail(QStringLiteral("\"%1\" did not change").arg(id));
}

bool JourneyScript::type(const QString& id, const QString& text)
{
    QLineEdit* field = nullptr;
    if (!waitFor([&] { return (field = usableWidget<QLineEdit>(window_, id)) != nullptr; }))
        return fail(QStringLiteral("no visible, enabled field \"%1\"").arg(id));
    field->setFocus();
    field->selectAll();
    field->insert(text);  // an edit, as typing is: textEdited follows
    return field->text() == text ||
           fail(QStringLiteral("the field \"%1\" took %2 of %3 characters").arg(id).arg(field->text().size()).arg(
               text.size()));
}

bool JourneyScript::waitForWidget(const QString& id)
{
    return waitFor([&] { return visibleWidget<QWidget>(window_, id) != nullptr; }) ||
           fail(QStringLiteral("\"%1\" did not appear").arg(id));
}

QString JourneyScript::currentStepName() const
{
    auto* workflow = window_.findChild<SetupWorkflowView*>();
    if (!workflow || !workflow->isVisible())
        return QStringLiteral("no workflow");
    if (workflow->model().isBusy())
        return QStringLiteral("busy");
    return stepName(workflow->model().step());
}

bool JourneyScript::expectStep(const QString& name)
{
    if (waitFor([&] { return currentStepName() == name && !visibleProgress(window_); }))
        return true;
    return fail(QStringLiteral("the workflow shows %1, not %2").arg(currentStepName(), name));
}

bool JourneyScript::waitRunning()
{
    SetupActionProgressView* progress = nullptr;
    // The first line is the screen's own; then the program has spoken.
    if (!waitFor([&] {
            progress = visibleProgress(window_);
            return progress && (!progress->isRunning() || progress->lines().size() > 1);
        }))
        return fail(QStringLiteral("no progress screen showing its program's output"));
    // A few frames, so that what arrived is drawn.
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    if (!progress->isRunning())
        say(QStringLiteral("note: the progress screen had already ended"));
    return true;
}

bool JourneyScript::waitProgress(std::optional<int> cancelAfterSeconds)
{
    SetupActionProgressView* progress = nullptr;
    if (!waitFor([&] { return (progress = visibleProgress(window_)) != nullptr; }))
        return fail(QStringLiteral("no progress screen"));
    if (auto* title = progress->findChild<QLabel*>(QStringLiteral("setup-action-title")))
        say(QStringLiteral("progress: ") + title->text());
    QElapsedTimer running;
    running.start();
    const bool ended = waitFor([&] {
        return !progress->isRunning() || (cancelAfterSeconds && running.elapsed() >= *cancelAfterSeconds * 1000);
    });
    if (!ended) {
        for (const QString& line : progress->lines())
            say(QStringLiteral("output so far: ") + line);
        return fail(QStringLiteral("the progress screen is still running"));
    }
    // Cancel hands the outcome over at once and the screen goes: read it first.
    const QStringList lines = progress->lines();
    QString result;
    int32_t code = -1;
    if (progress->isRunning()) {
        auto* cancel = usableWidget<QAbstractButton>(window_, QStringLiteral("setup-action-cancel"));
        if (!cancel)
            return fail(QStringLiteral("no Cancel on the running progress screen"));
        cancel->click();
        result = QStringLiteral("canceled");
    } else {
        code = progress->exitCode().value_or(-1);
        result = progress->isCanceled() ? QStringLiteral("canceled")
                 : code == 0            ? QStringLiteral("success")
                                        : QStringLiteral("failure");
    }
    for (const QString& line : lines)
        say(QStringLiteral("output: ") + line);
    say(QStringLiteral("result: %1 (code %2)").arg(result).arg(code));
    return true;
}

void JourneyScript::chooseFolder(const QString& path)
{
    // The next chooser gets this answer; later ones are canceled, as a
    // person who did not expect them would.
    auto answered = std::make_shared<bool>(false);
    root_.environment().setFolderChooser(
        [path, answered](QWidget*, const QString& prompt, const QString&) -> std::optional<QString> {
            say(QStringLiteral("folder chooser: %1 → %2").arg(prompt, *answered ? QStringLiteral("canceled") : path));
            if (std::exchange(*answered, true))
                return std::nullopt;
            return path;
        });
}

bool JourneyScript::read(const QString& id)
{
    QWidget* widget = nullptr;
    if (!waitFor([&] { return (widget = visibleWidget<QWidget>(window_, id)) != nullptr; }))
        return fail(QStringLiteral("\"%1\" did not appear").arg(id));
    auto show = [&](const QString& text) {
        if (!text.isEmpty())
            say(QStringLiteral("read %1: %2").arg(id, text));
    };
    QList<QWidget*> widgets = widget->findChildren<QWidget*>();
    widgets.prepend(widget);
    for (QWidget* child : widgets) {
        if (!child->isVisible())
            continue;
        if (auto* label = qobject_cast<QLabel*>(child))
            show(label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(child))
            show(button->isCheckable() ? (button->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) +
                                             button->text() + (button->isEnabled() ? QString() : QStringLiteral(" (disabled)"))
                                       : button->text());
    }
    return true;
}

bool JourneyScript::shot(const QString& name, const QString& caption)
{
    if (shotsDir_.isEmpty())
        return true;
    QFile list(QDir(shotsDir_).filePath(QStringLiteral("shots.tsv")));
    // A later launch of the same journey numbers on.
    if (shotCount_ == 0 && list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        shotCount_ = static_cast<int>(list.readAll().count('\n'));
        list.close();
    }
    ++shotCount_;
    const QString file = QStringLiteral("%1-%2.png").arg(shotCount_, 2, 10, QLatin1Char('0')).arg(name);
    QDir().mkpath(shotsDir_);
    if (!window_.grab().save(QDir(shotsDir_).filePath(file)))
        return fail(QStringLiteral("could not save ") + file);
    // The captions, in order, for whoever lays the pictures out.
    if (!list.open(QIODevice::Append | QIODevice::Text))
        return fail(QStringLiteral("could not write shots.tsv"));
    QString line = caption;
    line.replace(u'\t', u' ').replace(u'\n', u' ');
    list.write((file + u'\t' + line + u'\n').toUtf8());
    say(QStringLiteral("screenshot: ") + file);
    // Saving is the driver's own work, not the application's.
    sinceBeat_.restart();
    return true;
}

}  // namespace varnel
