#include "storage/errortext.h"

#include <QCoreApplication>

QString unspecifiedErrorText()
{
    return QCoreApplication::translate("ErrorText", "Unspecified application error");
}

QString errorText(const std::exception &error)
{
    const QString text = QString::fromUtf8(error.what());
    return text.isEmpty() ? unspecifiedErrorText() : text;
}
