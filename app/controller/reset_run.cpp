#include "app/controller/reset_run.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include "app/controller/background.h"
#include "app/controller/elevated_helper.h"
#include "app/controller/reset_reasons.h"
#include "basalt/desktop/authorization.h"
#include "basalt/diagnostics.h"

namespace gw::controller {

QString failureReason(const platform::ChildOutcome& task) {
    const int status = task.exitStatus.value_or(-1);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(
        QByteArrayView(task.output.data(), static_cast<qsizetype>(task.output.size())));
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
    log(QStringLiteral("Running Helper (unauthorized)"));
    runInBackground(
        this,
        [argv]() { return platform::runChild(argv, {.mergeOutput = true, .background = true}); },
        [this](const platform::ChildOutcome& task) { unprivilegedFinished(task); });
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
    const QString reason = failureReason(task);
    log(QStringLiteral("Unauthorized reset failed: ") + reason);
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
    log(QStringLiteral("Running Helper (requesting authorization)"));
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
            log(QStringLiteral("Escalation failed: ") + message);
            Q_EMIT failed(QString::fromLatin1(basalt::kNoAgentMessage));
            return;
        case ElevationResult::notStarted:
        case ElevationResult::untrusted:
            log(QStringLiteral("Escalation failed: ") + message);
            Q_EMIT failed(message);
            return;
        case ElevationResult::notAuthorized:
        case ElevationResult::failed:
            break;
    }
    log(QStringLiteral("Escalation failed: ") +
        basalt::administratorFailureText(message, outcome.errorNumber));
    Q_EMIT progress(
        QCoreApplication::translate("reset_run", "Authorized attempt failed"),
        QCoreApplication::translate(
            "reset_run", "Please select a different location to attempt the next reset."));
    Q_EMIT newLocationWanted();
}

}  // namespace gw::controller
