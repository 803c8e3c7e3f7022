#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;

// One row of the website blacklist: the website and the box that, unticked, unblocks it.
class WebsiteTableCell : public QFrame
{
    Q_OBJECT

public:
    explicit WebsiteTableCell(QWidget* parent = nullptr);

    QLabel* websiteName() const { return m_websiteName; }
    QCheckBox* websiteCheckBox() const { return m_websiteCheckBox; }

    // The domain as a row shows it: without a leading "www.".
    static QString shownName(const QString& domain);

private:
    QLabel* m_websiteName; // the children are owned by this cell
    QCheckBox* m_websiteCheckBox;
};
