#include "HealthLabel.h"

#include <QLabel>

namespace qc {

void showHealthLine(QLabel* label, const HealthLine& line) {
    static const char* const colours[] = {"#606060", "#1b7f2a", "#a05a00", "#b00000"};
    const QString style =
        QStringLiteral("color: %1; font-weight: bold;").arg(QLatin1String(colours[line.level]));
    if (label->text() != line.text) {
        label->setText(line.text);
        label->setAccessibleDescription(line.text);
        label->setToolTip(line.text);  // the whole of a line too long for the window
    }
    if (label->styleSheet() != style) label->setStyleSheet(style);
}

}  // namespace qc
