#pragma once
// A message box takes at most 20 typed characters, yet a text stored in the settings file
// may be longer, and the box must hold it whole: the upload sends its first 20 characters
// and "Save in Flash" writes it back as it stands. The box's own length limit would cut it
// on loading, so load() lets the limit rise to a stored text's length and this validator
// keeps the 20 for editing: an edit keeps only as many of its new characters as fit in 20.
// A longer stored text can therefore be shortened but never grows, and a short text
// behaves exactly as under the plain limit.

#include <QLineEdit>
#include <QString>
#include <QValidator>

class MessageLengthLimit : public QValidator
{
    Q_OBJECT
public:
    // Installs itself on `box`, which must already limit typing to `limit` characters.
    MessageLengthLimit(QLineEdit *box, int limit);

    // Puts a stored text in the box whole, however long.
    void load(const QString &stored);

    State validate(QString &input, int &pos) const override;

private:
    QLineEdit *m_box;
    int m_limit;
    QString m_before; // the box's text before the edit being validated
};
