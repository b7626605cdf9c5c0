#pragma once

#include <QString>

// Attribution of a species photograph: shown verbatim under the picture it describes.
struct PhotoCredit
{
    QString author;
    QString license;
    QString source; // address of the photo's description page, not of the image file

    friend bool operator==(const PhotoCredit &, const PhotoCredit &) = default;
};
