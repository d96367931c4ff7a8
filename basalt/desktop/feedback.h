#pragma once

#include <optional>

#include <QDateTime>
#include <QString>

namespace basalt {

// Everything the feedback message says about the application and the
// machine, gathered once so the text can be built (and tested) from it.
struct FeedbackFacts {
    std::optional<QString> appVersion;  // "3.0.2 (142)"
    std::optional<QDateTime> launchDate;
    QDateTime now;
    bool translated = false;  // running under emulation
    QString codeSigner;       // empty: none to tell (Linux has no code signature)
    QString systemVersion;
    std::optional<double> uptimeSeconds;
    std::optional<QString> languageName;  // in English: "German"
    QString marketingName;                // empty: the firmware doesn't say
    QString cpuBrand;                     // without a leading "Apple "; empty: unknown
    std::optional<int64_t> clockSource;   // the processor's clock in kHz; none: unknown
    int64_t physicalMemory = 0;
    std::optional<QString> applicationName;
};

// The machine's facts as they are now.
FeedbackFacts gatherFeedbackFacts(const std::optional<QDateTime>& launchDate);

// "1 hr, 5 min": the largest units first, zero units left out.
QString shortDuration(qint64 seconds);
// "16 GB", "15.5 GB", as memory sizes are told (1024-based).
QString memoryCountText(int64_t bytes);
// The clock figure in GHz: an ARM timer of 24 MHz gives 2.4 (Hz / 10^7),
// cpufreq gives kHz / 10^6; -1.0 when it can't be read.
double clockFigure(const FeedbackFacts& facts);

// The message body: the introduction and three lines of facts.
QString feedbackBody(const QString& introduction, const FeedbackFacts& facts);
// The subject template with every "<appName>" replaced.
QString feedbackSubject(const QString& subjectTemplate,
                        const std::optional<QString>& applicationName);

// Builds the message in the background and opens it in the mail program,
// addressed to the maker's support address; `launchDate` gives the running
// time the message reports.
void sendFeedback(const QString& subject, const QString& introduction,
                  const std::optional<QDateTime>& launchDate);
inline constexpr char kSupportAddress[] = "support@ambrel.example.com";

}  // namespace basalt
