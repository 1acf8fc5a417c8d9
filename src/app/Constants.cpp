// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"

#include <QDir>

namespace Constants {

QString programFolderPath()
{
    return QDir::homePath() + QLatin1Char('/') + programFolderName();
}

QString configFilePath()
{
    return programFolderPath() + configFileSuffix();
}

} // namespace Constants
