#pragma once

#include "FirmImages.h"

#include <cstdint>
#include <vector>

// An image record built at run time from plain bytes: it keeps the scrambled
// copy that its record points into, so it must outlive every use of Record().
class OwnedImage {
public:
    OwnedImage(uint32_t first, std::vector<uint8_t> plain);

    ImageRecord Record() const;

private:
    uint32_t first;
    std::vector<uint8_t> scrambled;
};
