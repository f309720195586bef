// What the user has set on the connected unit: the high voltage, the amplifier gain, the discriminator
// window and integral mode, and whether any of it is not yet in the unit's permanent memory ("unsaved",
// which the main window shows by enabling Save). One object, owned by the main window; the main
// window's controls show it, and every window or tool reads it, changes it through the operations below
// and follows it through the signals. An operation sends the change to the unit with the same calls and
// the same failure sentences as the main window's own controls, so a window set on a peak from the scan
// window or a voltage taken from a plateau arrive exactly as if the user had set them by hand.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class UnitSettings : public QObject {
    Q_OBJECT

public:
    // Shows a failed call's sentence ("Failed to set LLD.") in the main window's style.
    using FailureReport = std::function<void(const QString& text)>;
    explicit UnitSettings(FailureReport failure, QObject* parent = nullptr);

    qint32 lld() const { return lld_; }
    qint32 uld() const { return uld_; }
    bool integralMode() const { return integral_; }
    // The unit's high voltage as last read back or sent; none before a readback.
    std::optional<qint32> highVoltageCount() const { return highVoltageCount_; }
    // The high voltage as entered in the main window, applied or not (the report prints it).
    QString highVoltageEntry() const { return highVoltageEntry_; }
    // The coarse gain index (0..7: gain 2^index) and the fine gain position (0..4095) of the unit.
    qint32 coarseGain() const { return coarse_; }
    qint32 fineGain() const { return fine_; }
    bool unsaved() const { return unsaved_; }

    // ---- Changes that go to the unit ----
    // Each is sent at once when a unit is connected (the discriminator not while a scan owns it); a
    // failed call is reported and the change still counts as the user's latest choice; the settings
    // become unsaved when connected; then the signal follows.
    void setDiscriminatorWindow(qint32 lld, qint32 uld, bool integral);
    void setLLD(qint32 level);
    void setULD(qint32 level);
    void setIntegralMode(bool integral);
    void setGain(qint32 coarse, qint32 fine);
    // The high voltage in volts. False, with nothing sent, when the volts have no HV count (out of the
    // range the unit's encoding holds); the caller tells the user.
    bool setHighVoltage(double volts);
    // Whether the unit took the last high voltage sent (false after a refused call or with no unit).
    bool highVoltageAccepted() const { return highVoltageAccepted_; }

    // ---- Bookkeeping without a device call ----
    void setHighVoltageEntry(const QString& text);
    // Another setting went to the unit (the output settings): the settings are unsaved.
    void markUnsaved();
    // Stored in permanent memory, or forgotten with the connection.
    void markSaved();

    // What the unit reported when its settings were read back: shown, never sent back.
    enum class Field { HighVoltage, Gain, LLD, ULD, IntegralMode };
    void reported(Field field, qint32 value);

signals:
    void windowChanged();
    void gainChanged();
    void highVoltageChanged();
    void unsavedChanged(bool unsaved);

private:
    bool connected() const;
    // Sends one value unless `send` is false; reports `failureText` when the unit refuses it.
    void send(bool send, qint32 param, qint32 value, const char* failureText);
    void changed();

    FailureReport failure_;
    qint32 lld_ = 0;
    qint32 uld_ = 0;
    bool integral_ = false;
    std::optional<qint32> highVoltageCount_;
    bool highVoltageAccepted_ = false;
    QString highVoltageEntry_;
    qint32 coarse_ = 0;
    qint32 fine_ = 0;
    bool unsaved_ = false;
};
