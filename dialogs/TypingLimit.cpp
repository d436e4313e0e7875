#include "dialogs/TypingLimit.h"

#include <QLineEdit>
#include <algorithm>

TypingLimit::TypingLimit(QLineEdit& field)
    : QValidator(&field), m_lengthBefore(field.text().size()) {
    // The field reports a change only after the edit has been validated, so this always holds
    // the length the next edit starts from.
    connect(&field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_lengthBefore = text.size(); });
    field.setValidator(this);
}

QValidator::State TypingLimit::validate(QString& input, int& position) const {
    const qsizetype room = std::max<qsizetype>(m_limit, m_lengthBefore);
    const qsizetype excess = input.size() - room;
    if (m_limit == 0 || excess <= 0) return Acceptable;
    const qsizetype cut = std::min<qsizetype>(excess, position);
    input.remove(position - cut, cut);
    position -= static_cast<int>(cut);
    return Acceptable;
}
