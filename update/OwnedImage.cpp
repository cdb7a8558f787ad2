#include "OwnedImage.h"

#include <utility>

OwnedImage::OwnedImage(uint32_t first, std::vector<uint8_t> plain)
    : first(first), scrambled(std::move(plain))
{
    Descramble(scrambled.data(), static_cast<int32_t>(scrambled.size()));
}

ImageRecord OwnedImage::Record() const
{
    if (scrambled.empty())
        return ImageRecord{first, first, nullptr};
    return ImageRecord{first, static_cast<uint32_t>(first + scrambled.size() - 1), scrambled.data()};
}
