#pragma once

#include "HealthLines.h"

class QLabel;

namespace qc {

// Shows a health line on a label: its text, in the colour of how it stands, and the same text as
// the description a screen reader reads.
void showHealthLine(QLabel* label, const HealthLine& line);

}  // namespace qc
