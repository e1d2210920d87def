#pragma once

#include "agent/listening/ListeningSettings.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLabel;
class QProgressBar;

namespace tk::agent::listening {

class AudioInputs;
class InputLevelMeter;

// The "Listening Settings" window: the listening key, listening all the time,
// the microphone and its live input level. Every change is reported at once
// (settingsChanged) and applied by the owner. One at a time: showing it again
// raises the open one.
class ListeningSettingsWindow final : public QWidget {
    Q_OBJECT
public:
    static ListeningSettingsWindow* showFor(const ListeningSettings& settings);
    // The open window, or null.
    static ListeningSettingsWindow* current();

    ListeningSettings settings() const { return m_settings; }
    // Shows how the key fares ("" hides the line); problem marks it as a fault.
    void setKeyStatus(const QString& text, bool problem);
    QString keyStatus() const;

signals:
    void settingsChanged(const tk::agent::listening::ListeningSettings& settings);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    explicit ListeningSettingsWindow(const ListeningSettings& settings);
    ~ListeningSettingsWindow() override;

    void fillMicrophones();
    void chooseMicrophone(int index);
    void takeKey();
    void restartMeter();
    void change();

    ListeningSettings m_settings;
    QKeySequenceEdit* m_key;
    QLabel* m_keyStatus;
    QCheckBox* m_always;
    QComboBox* m_microphone;
    QProgressBar* m_level;
    AudioInputs* m_inputs;
    InputLevelMeter* m_meter;
};

} // namespace tk::agent::listening
