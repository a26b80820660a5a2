// The saver's entry point: the application object, then the framework takes over.

#include "app/framework/win_app.h"
#include "app/saver_app.h"
#include "platform/memory.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
    platform::KeepStandardStreamsOpen();
    platform::ReturnLargeBlocksWhenFreed();
    CSaverApp app;
    return framework::AfxWinMain(argc, argv);
}
