// libFuzzer target: every input is a picture the user might pick or have stored.

#include "FuzzInputs.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInputs::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputs::readPhoto(QByteArrayView(data, qsizetype(size)));
    return 0;
}
