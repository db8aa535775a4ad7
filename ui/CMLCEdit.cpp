#include "CMLCEdit.h"

#include <QKeyEvent>

namespace vidlume {

namespace {
    constexpr int IDC_EDIT = 100;
}

CMLCEdit::CMLCEdit(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QString::number(IDC_EDIT));
    setFrame(false);
    setFont(parent->font());
    // Paint the window colour under the text, not the row drawn behind the editor.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void CMLCEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        emit Return();
        return;
    case Qt::Key_Escape:
        event->accept();
        emit Escape();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CMLCEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit Return();
}

} // namespace vidlume
