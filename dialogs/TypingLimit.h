// A limit on what the user can type into a line edit, which unlike QLineEdit::setMaxLength
// never cuts text the field already holds: the CAM menu keeps the previous enquiry's answer in
// its field, and a shorter limit for the next enquiry must not shorten that answer behind the
// user's back. While the field holds more than the limit, typing adds nothing; deleting works.
//
// User-interface thread only.
#pragma once

#include <QValidator>

class QLineEdit;

class TypingLimit final : public QValidator {
    Q_OBJECT

public:
    // Watches `field` (whose validator it becomes) to know the text before each edit.
    explicit TypingLimit(QLineEdit& field);

    // Characters the user may bring the text to; 0 sets no limit of its own.
    void SetLimit(int characters) { m_limit = characters; }

    // Cuts what an edit inserted (the characters before the cursor) down to what the limit
    // leaves room for; an edit that does not lengthen the text passes unchanged.
    State validate(QString& input, int& position) const override;

private:
    int m_limit = 0;
    qsizetype m_lengthBefore = 0;  // of the field's text before the edit being validated
};
