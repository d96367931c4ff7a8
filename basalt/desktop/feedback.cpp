#include "basalt/desktop/feedback.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMetaObject>
#include <QThreadPool>

#include "basalt/desktop/alerts.h"
#include "basalt/desktop/am_system_info.h"
#include "basalt/desktop/desktop_utilities.h"
#include "platform/system_facts.h"
#include "platform/system_version.h"

using namespace Qt::StringLiterals;

namespace basalt {

QString shortDuration(qint64 seconds) {
    if (seconds < 0) {
        return {};
    }
    const qint64 days = seconds / 86400;
    const qint64 hours = seconds % 86400 / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    const qint64 rest = seconds % 60;
    QStringList parts;
    if (days)
        parts << QString::number(days) + (days == 1 ? u" day"_s : u" days"_s);
    if (hours)
        parts << QString::number(hours) + u" hr"_s;
    if (minutes)
        parts << QString::number(minutes) + u" min"_s;
    if (rest || parts.isEmpty())
        parts << QString::number(rest) + u" sec"_s;
    return parts.join(u", "_s);
}

QString memoryCountText(int64_t bytes) {
    const double gib = static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0);
    if (gib >= 1.0) {
        QString text = QString::number(gib, 'f', 1);
        if (text.endsWith(u".0"_s)) {
            text.chop(2);
        }
        return text + u" GB"_s;
    }
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 0) + u" MB"_s;
}

double clockFigure(const FeedbackFacts& facts) {
    if (!facts.clockSource) {
        return -1.0;
    }
    return static_cast<double>(*facts.clockSource) / 1'000'000.0;
}

QString feedbackBody(const QString& introduction, const FeedbackFacts& facts) {
    QString body = introduction + u"\n\n"_s;

    QStringList first{facts.appVersion.value_or(u"Unknown"_s)};
    if (facts.launchDate) {
        const QString running = shortDuration(facts.launchDate->secsTo(facts.now));
        if (!running.isEmpty()) {
            first << running;
        }
    }
    if (facts.translated) {
        first << QCoreApplication::translate("feedback", "x86_64 version");
    }
    QString signer = facts.codeSigner;
    signer.replace(u"Developer ID Application: "_s, u"Dev.ID: "_s);
    signer.replace(u"Apple Mac OS Application Signing"_s,
                   QCoreApplication::translate("feedback", "\uF8FF App Store: "));
    signer.replace(u"Apple Development: "_s, u"Development: "_s);
    // A failure is no fact about the machine: it stays out of the user's mail.
    if (!signer.isEmpty() && !signer.startsWith(u"Failed"_s)) {
        first << signer;
    }
    body += first.join(u", "_s) + u'\n';

    QStringList second{facts.systemVersion};
    if (facts.uptimeSeconds) {
        // The largest unit of the uptime, with the unit: "up 3 days".
        const QString uptime = shortDuration(static_cast<qint64>(*facts.uptimeSeconds));
        const QString largest = uptime.section(u", "_s, 0, 0);
        if (!largest.isEmpty()) {
            second << QCoreApplication::translate("feedback", "up ") + largest;
        }
    }
    if (facts.languageName && !facts.languageName->isEmpty()) {
        second << *facts.languageName;
    }
    body += second.join(u", "_s) + u'\n';

    QStringList machine;
    for (const QString& part : {facts.marketingName, facts.cpuBrand}) {
        if (!part.isEmpty() && !part.startsWith(u"Failed"_s)) {
            machine << part;
        }
    }
    if (facts.clockSource) {
        machine << u"@ "_s + QString::number(clockFigure(facts), 'g', 3) + u" GHz"_s;
    }
    const QString memory = memoryCountText(facts.physicalMemory);
    body += (machine.isEmpty() ? memory : machine.join(u' ') + u", "_s + memory) + u'\n';
    return body;
}

QString feedbackSubject(const QString& subjectTemplate,
                        const std::optional<QString>& applicationName) {
    QString subject = subjectTemplate;
    subject.replace(u"<appName>"_s, applicationName.value_or(u"Unknown"_s));
    return subject;
}

FeedbackFacts gatherFeedbackFacts(const std::optional<QDateTime>& launchDate) {
    const gw::platform::SystemFacts system;
    FeedbackFacts facts;
    facts.appVersion = appVersionText();
    facts.launchDate = launchDate;
    facts.now = QDateTime::currentDateTimeUtc();
    // Linux has no code signature: nothing to tell.
    facts.systemVersion = systemVersionText();
    facts.uptimeSeconds = system.uptimeSeconds();
    const QString language = QLocale::languageToString(QLocale().language());
    if (!language.isEmpty() && QLocale().language() != QLocale::C) {
        facts.languageName = language;
    }
    // What Linux knows, or nothing: the firmware's name for the machine,
    // the processor's model name, its clock (cpufreq, else /proc/cpuinfo).
    if (auto name = system.productName()) {
        facts.marketingName = QString::fromStdString(*name);
    }
    if (auto brand = system.cpuBrand()) {
        facts.cpuBrand = AMSystemInfo::cpuBrand(true, system);
    }
    if (auto frequency = system.cpuMaxFrequencyKHz()) {
        facts.clockSource = *frequency;
    } else if (auto mhz = system.cpuMHz()) {
        facts.clockSource = static_cast<int64_t>(*mhz * 1000.0);
    }
    facts.physicalMemory = system.physicalMemoryBytes();
    facts.applicationName = QCoreApplication::applicationName().isEmpty()
                                ? std::nullopt
                                : std::optional<QString>(QCoreApplication::applicationName());
    return facts;
}

void sendFeedback(const QString& subject, const QString& introduction,
                  const std::optional<QDateTime>& launchDate) {
    QThreadPool::globalInstance()->start([subject, introduction, launchDate]() {
        const FeedbackFacts facts = gatherFeedbackFacts(launchDate);
        const QString body = feedbackBody(introduction, facts);
        const QString title = feedbackSubject(subject, facts.applicationName);
        // The mail program is opened from the main thread, like every other
        // hand-over to the desktop.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [title, body]() { composeEmail(QString::fromLatin1(kSupportAddress), title, body); },
            Qt::QueuedConnection);
    });
}

}  // namespace basalt
