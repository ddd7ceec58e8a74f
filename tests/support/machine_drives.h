#pragma once
// The recording substitute with the machine's real drives underneath: the
// drive list, the drive types and the file probe come from the drive layer,
// everything else is recorded as usual.

#include "disc/drives.h"
#include "support/recording_services.h"

class MachineDrives : public RecordingServices {
public:
    using RecordingServices::RecordingServices;
    std::string probeFile(const std::string& path) override { return drives::probeFile(path); }
    DriveRoots listDriveRoots(std::int32_t capacity) override { return drives::listDriveRoots(capacity); }
    std::int32_t driveType(const std::string& root) override { return drives::driveType(root); }
};
