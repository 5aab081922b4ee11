#pragma once
// The notice shown when an equivalent-time step is selected.

#include <QDialog>

class QCheckBox;

namespace tarvik {

class EtsNoticeDialog : public QDialog {
    Q_OBJECT
public:
    explicit EtsNoticeDialog(QWidget* parent = nullptr);
    bool duringSession() const;
    bool never() const;

private:
    QCheckBox* m_session;
    QCheckBox* m_never;
};

} // namespace tarvik
