#pragma once
#include <cstddef>

// The opening card's pictures as PNG files, compiled in from resources/
// (Pictures.cpp is made by the build).
struct PictureData {
    const unsigned char* bytes;
    std::size_t size;
};

PictureData CardPicture();
PictureData TitlePicture();
