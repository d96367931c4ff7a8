#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QDateTime>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include "basalt/update/signature.h"
#include "basalt/update/update_settings.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace gw::platform {
struct XmlNode;
}  // namespace gw::platform

namespace basalt {

using namespace Qt::StringLiterals;

enum class VEXALiteStatus {
    idle,
    busy,
    cancel,
    error,
    upToDate,
    updateAvailable,
    noUpdateForThisMac,
    noUpdateAtThisTime,
    formatInvalid,
    maintenance,
};

// An address a page can be fetched from: valid, with a scheme and a host.
bool isPageAddress(const QUrl& url);

// Update details as the log prints them.
QString detailsText(const QVariantMap& details);

// The "state" query value the update page receives for a status.
QString stateCode(VEXALiteStatus status);
QString statusName(VEXALiteStatus status);

class VEXALite;

// The progress window of a manual check; the windows provide it.
class VEXAProgressPresenter {
  public:
    virtual ~VEXAProgressPresenter() = default;
    // Shows it for this check, or brings it to the front.
    virtual void showProgress(VEXALite& vexa) = 0;
    virtual void hideProgress() = 0;
};

// Checks the product's signed update page for a newer build. One object per
// check; the outcome is in status, log, errorMessage and updateDetails when
// completed() is emitted (always on the main thread, never during the call
// that started the check).
class VEXALite : public QObject {
    Q_OBJECT
  public:
    // The page and key every check uses, set once at start-up.
    static std::optional<QString> pageURL;
    static UpdateKey publicKey;
    // The clock, replaceable so tests can move time.
    static std::function<QDateTime()> clock;
    // The manual check's progress window, while one is shown.
    static VEXAProgressPresenter* progressPresenter;

    // The store the keys live in when the checker is the application's own;
    // none: the application's standard settings.
    explicit VEXALite(QSettings* standardStore = nullptr, QObject* parent = nullptr);
    ~VEXALite() override;

    // Environment, filled at creation (tests may change them).
    int64_t appVersion = 0;
    double OSVersion = 0;
    // The same version as written ("6.18"): versions are compared component
    // by component, as numbers 6.18 would read less than 6.2. When it no
    // longer reads as OSVersion (or is empty), OSVersion's printed form stands in.
    QString OSVersionText;
    QString bundleIdentifier;
    QString architecture;

    VEXALiteStatus status = VEXALiteStatus::idle;
    QStringList log;
    std::optional<QString> errorMessage;
    bool maintenanceMode = false;
    std::optional<int> dataFormat;
    std::optional<QVariantMap> updateDetails;
    QNetworkRequest::CacheLoadControl cachePolicy = QNetworkRequest::PreferNetwork;
    bool cancelled = false;
    // How long a fetch may take, and how large a page may be.
    int timeoutMs = 60000;
    // The whole check, however the server trickles: then it has timed out.
    int deadlineMs = 120000;
    static constexpr qint64 kMaximumPageBytes = qint64{1024} * 1024;

    void resetState();
    void recordError(const QString& text, bool finish);
    void signalCompletion();
    QSettings* preferences();

    // Fetching and reading the page.
    void checkURL(const QString& inURLString, const std::optional<QString>& sender);
    void processHTML(const QByteArray& data, const std::optional<QString>& sender);
    // The user gave up on the check: a late answer changes nothing.
    void cancel();

    // Choosing the update from the page's entries.
    void scanNode(const gw::platform::XmlNode& node, bool& flag);
    void recordUpdate(const QVariantMap& details);

    // When checks run, and what the user sees of them.
    void performSilentCheck();
    void performManualCheck();
    void scheduleNextCheck(double seconds);
    void showUpdatePage(const QString& inURLString, const QString& sender);

  Q_SIGNALS:
    void completed();

  private:
    void responseArrived(QNetworkReply* reply, const std::optional<QString>& sender);
    void examineEntry(const gw::platform::XmlNode& entry, bool& flag);
    bool readHeads(const gw::platform::XmlNode& root, std::optional<QString>& signature,
                   bool& productMatches);
    bool verifyPage(const QByteArray& data, const QString& signature);

    QSettings* standardStore_;
    std::unique_ptr<QSettings> ownedStore_;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    // The manual check's own closing (progress, alert, page), run once just
    // before completed() is announced.
    std::function<void()> beforeCompletion_;
};

}  // namespace basalt
