#include "PaddedTextFieldCell.h"

#include <QtMath>

PaddedTextFieldCell::PaddedTextFieldCell(QWidget* parent)
    : QLineEdit(parent)
{
    setTextMargins(qCeil(m_leftPadding), 0, 0, 0);
}
