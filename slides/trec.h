#pragma once

#include <string>

// One slide: a picture, a sound or both that share a base name.
// The two file names are the listing's paths, ASCII-lower-cased; they are what
// the program shows and pairs on. The on-disk paths keep the names as the file
// system spells them, so that Cat.JPG still opens where names are case-sensitive.
class trec {
public:
    std::string image_filename;
    std::string sound_filename;
    std::string name; // the caption, UTF-8

    std::string image_disk_path;
    std::string sound_disk_path;

    virtual ~trec() = default;
};
