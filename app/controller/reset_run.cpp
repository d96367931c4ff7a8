#include "app/controller/reset_run.h"

#include <algorithm>

#include <QCoreApplication>
#include <QPointer>
#include <QStringDecoder>

#include "app/controller/background.h"
#include "app/controller/elevated_helper.h"
#include "app/controller/reset_reasons.h"
#include "basalt/desktop/authorization.h"
#include "basalt/diagnostics.h"

using namespace Qt::StringLiterals;

namespace gw::controller {

std::optional<std::pair<quint64, quint64>> parseProgressLine(std::string_view line) {
    constexpr std::string_view kPrefix = "progress ";
    if (line.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    const QList<QByteArray> numbers =
        QByteArray(line.data() + kPrefix.size(),
                   static_cast<qsizetype>(line.size() - kPrefix.size()))
            .split(' ');
    bool doneOk = false, totalOk = false;
    if (numbers.size() != 2)
        return std::nullopt;
    const quint64 done = numbers[0].toULongLong(&doneOk);
    const quint64 total = numbers[1].toULongLong(&totalOk);
    if (!doneOk || !totalOk)
        return std::nullopt;
    return std::pair(done, total);
}

std::string withoutProgressLines(const std::string& output) {
    std::string kept;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        end = end == std::string::npos ? output.size() : end + 1;
        const std::string_view line(output.data() + start, end - start);
        if (!parseProgressLine(line.substr(0, line.find('\n'))))
            kept.append(line);
        start = end;
    }
    return kept;
}

QString failureReason(const platform::ChildOutcome& task) {
    const int status = task.exitStatus.value_or(-1);
    const std::string output = withoutProgressLines(task.output);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text =
        decoder.decode(QByteArrayView(output.data(), static_cast<qsizetype>(output.size())));
    if (decoder.hasError()) {
        return QCoreApplication::translate("reset_run", "Unknown reason, code: ") +
               QString::number(status);
    }
    return QString::number(status) + u' ' + text;
}

ResetRun::ResetRun(std::string helper, std::vector<std::string> arguments, bool allowEscalation,
                   QObject* parent)
    : QObject(parent),
      helper_(std::move(helper)),
      arguments_(std::move(arguments)),
      allowEscalation_(allowEscalation) {}

void ResetRun::log(const QString& text) const {
    basalt::diagnostics() << "ResetEngine_v4: " << text.toStdString() << '\n';
}

void ResetRun::start() {
    std::vector<std::string> argv{helper_};
    argv.insert(argv.end(), arguments_.begin(), arguments_.end());
    // A walk through a folder says how far it has come while it runs.
    const auto deep = std::find(argv.begin(), argv.end(), "-deep");
    if (deep != argv.end())
        argv.insert(deep + 1, "-progress");
    log(u"Running Helper (unauthorized)"_s);
    QPointer<ResetRun> self(this);
    auto cancelled = cancelled_;
    auto unrecorded = unrecorded_;
    const auto line = [self, cancelled, unrecorded](std::string_view text) {
        if (text.substr(0, 22) == "Not recorded for undo:")
            unrecorded->store(true);
        if (const auto counts = parseProgressLine(text)) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, counts]() {
                    if (self) {
                        self->done_ = counts->first;
                        self->total_ = counts->second;
                        Q_EMIT self->counted(counts->first, counts->second);
                    }
                },
                Qt::QueuedConnection);
        }
        return !cancelled->load();
    };
    runInBackground(
        this,
        [argv, line]() {
            return platform::runChild(
                argv, {.mergeOutput = true, .background = true, .outputLine = line});
        },
        [this](const platform::ChildOutcome& task) { unprivilegedFinished(task); });
}

void ResetRun::cancel() {
    cancelled_->store(true);
}

void ResetRun::unprivilegedFinished(const platform::ChildOutcome& task) {
    if (task.startError) {
        Q_EMIT failed(QCoreApplication::translate("reset_run", "Couldn't run helper: ") +
                      QString::fromLocal8Bit(task.startError->description));
        return;
    }
    if (task.exitStatus == 0) {
        Q_EMIT completed();
        return;
    }
    if (cancelled_->load()) {
        log(u"Stopped by the user"_s);
        Q_EMIT stopped(done_, total_);
        return;
    }
    const QString reason = failureReason(task);
    log(u"Unauthorized reset failed: "_s + reason);
    if (!allowEscalation_) {
        Q_EMIT failed(reason);
        return;
    }
    Q_EMIT progress(
        QCoreApplication::translate("reset_run", "First attempt failed"),
        QCoreApplication::translate("reset_run", "Attempting again with privilege escalation"));
    startElevated();
}

void ResetRun::startElevated() {
    elevated_ = true;
    log(u"Running Helper (requesting authorization)"_s);
    runHelperAsAdministrator(
        this, helper_, arguments_, kAuthorizationPrompt,
        [this](const basalt::ScriptOutcome& outcome) { elevatedFinished(outcome); });
}

void ResetRun::elevatedFinished(const basalt::ScriptOutcome& outcome) {
    using basalt::ElevationResult;
    QString message = outcome.errorMessage.value_or(QString());
    switch (outcome.kind) {
        case ElevationResult::succeeded:
            Q_EMIT completed();
            return;
        case ElevationResult::cancelled:
            Q_EMIT failed(QCoreApplication::translate("reset_run", "Cancelled by customer"));
            return;
        case ElevationResult::noAgent:
            // A copy elsewhere would not help: nobody can be asked.
            log(u"Escalation failed: "_s + message);
            Q_EMIT failed(QString::fromLatin1(basalt::kNoAgentMessage));
            return;
        case ElevationResult::notStarted:
        case ElevationResult::untrusted:
            log(u"Escalation failed: "_s + message);
            Q_EMIT failed(message);
            return;
        case ElevationResult::notAuthorized:
        case ElevationResult::failed:
            break;
    }
    log(u"Escalation failed: "_s + basalt::administratorFailureText(message, outcome.errorNumber));
    Q_EMIT progress(
        QCoreApplication::translate("reset_run", "Authorized attempt failed"),
        QCoreApplication::translate(
            "reset_run", "Please select a different location to attempt the next reset."));
    Q_EMIT newLocationWanted();
}

}  // namespace gw::controller
