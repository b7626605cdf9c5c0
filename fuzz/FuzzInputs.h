#pragma once

// What each fuzz target does with one input, shared by the libFuzzer targets (make fuzz) and any
// replay of saved inputs. Every rule the app promises for hostile files is checked here and a
// broken rule ends the process (abort), which libFuzzer reports as a crash:
//
//     FuzzInputs::readPhoto(bytes); // none or a picture within the size asked for
//     FuzzInputs::openStore(bytes); // opened and usable, or refused with the file untouched

#include <QByteArrayView>

namespace FuzzInputs {

// Sets up what both targets need once: an offscreen GUI application (fonts for SVG text), the
// image plugins and SQLite loaded, so no first-use cache counts as a leak of the first input.
void initialize();

// The photo reader as the app uses it: the list thumbnail, the import and the header size.
void readPhoto(QByteArrayView bytes);

// Opens bytes as the store file in a fresh folder. A refused file must keep every byte and gain no
// file beside it; an opened one must read back its photos and take a care action.
void openStore(QByteArrayView bytes);

} // namespace FuzzInputs
