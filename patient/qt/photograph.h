#pragma once
// Reading the patient's photographs, and making a set's twenty pictures.

#include "sets/patient_sets.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace patient {

// The size of the window's picture area: pictures are reduced to fit it.
inline constexpr QSize pictureArea{640, 480};

struct Photograph {
    QImage image;  // null when the file cannot be used
    QString error; // then why, in French
};

// The photograph turned upright by its EXIF orientation (as phones record
// it), reduced to fit the area with its aspect ratio kept, never enlarged,
// and without transparency.
Photograph readPhotograph(const QString& path, QSize area = pictureArea);

// The name patterns of the picture files this machine's Qt can read, for a
// file dialog: JPEG and PNG, and HEIC where a plugin reads it.
QStringList photographPatterns();

struct PhotographChoice {
    QString path;
    Side side = Side::left;
};

struct SetPictures {
    std::vector<QImage> pictures; // 1 to 20; empty when a photograph cannot be used
    QString error;
};

// The twenty pictures of a set made of these photographs (planSet).
SetPictures makeSetPictures(const std::vector<PhotographChoice>& photographs);

} // namespace patient
