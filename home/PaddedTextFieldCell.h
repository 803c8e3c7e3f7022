#pragma once

#include <QLineEdit>

// A text field whose text starts `leftPadding` points in from its left edge.
class PaddedTextFieldCell : public QLineEdit
{
    Q_OBJECT

public:
    explicit PaddedTextFieldCell(QWidget* parent = nullptr);

    qreal leftPadding() const { return m_leftPadding; }

private:
    qreal m_leftPadding = 10.0;
};
