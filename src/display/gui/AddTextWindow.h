#pragma once
// "Add Text": free text written on the oscilloscope screen at the place of the last right
// click, optionally on a transparent background, or the waveform parameters copied in.

#include "display/ScopeScreen.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tarvik {

class WaveformParameters;

class AddTextWindow : public QDialog {
    Q_OBJECT
public:
    AddTextWindow(ScopeScreen& screen, WaveformParameters& parameters, QWidget* parent = nullptr);

    // A right click on the screen: the annotation's new place; the window shows.
    void placeAt(QPoint position);
    QPlainTextEdit* memo() const { return m_memo; }

private:
    void show(bool shown); // "Add Text on Screen" / "Remove"
    void redraw(std::optional<bool> shown = std::nullopt);

    ScopeScreen& m_screen;
    WaveformParameters& m_parameters;
    QPlainTextEdit* m_memo;
    QPushButton* m_remove;
    QPushButton* m_getParameters;
    QCheckBox* m_transparent;
    QLabel* m_hint;
};

} // namespace tarvik
