#pragma once
// The media list's in-place editor for renaming a file: a frameless line edit on the list's
// viewport. Enter commits and Escape cancels (both keys are swallowed); losing the focus also
// commits, so the list must forget the row it renames once it has handled the first of these.

#include <QLineEdit>

namespace vidlume {

class CMLCEdit final : public QLineEdit {
    Q_OBJECT
public:
    // Takes the font of the parent.
    explicit CMLCEdit(QWidget* parent);

signals:
    void Return();
    void Escape();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace vidlume
