#pragma once
// The hidden I/O window "Quor-I/O": it exists only to serve the oscilloscope's remote-control
// block. It is created hidden and minimised, never shown, and starts the 10 ms tick of the
// service it owns as soon as it is created; closing it only stops the tick.

#include "scope/ScopeRemoteControl.h"

#include <QWidget>

namespace tarvik {

class TFormx1 : public QWidget {
    Q_OBJECT
public:
    TFormx1(ScopeController& scope, SharedMemoryBlock& quorret, SharedMemoryBlock& dso, Clock& clock,
            QWidget* parent = nullptr);

    ScopeRemoteControl& service() { return m_service; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ScopeRemoteControl m_service;
};

} // namespace tarvik
