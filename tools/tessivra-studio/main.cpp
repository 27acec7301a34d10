// tessivra-studio: opens a form file and runs it on the desktop; --design to edit it,
// --screenshot FILE.png to draw it offscreen.

#include "tools/tessivra-studio/studio.h"

int main(int argc, char** argv) {
    return tessivra::studio::studioMain(argc, argv);
}
