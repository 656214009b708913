// tallyfold-picture: decodes one background picture for the window's process (PictureProcess.h).
#include "picture/PictureProcess.h"

int main(int argc, char **argv)
{
    return tf::RunPictureHelper(argc, argv);
}
