// A network volume whose server is gone, for tests of what must never wait for one: a FUSE
// file system (tests/data/shell/hung_volume.py, python3-fusepy) that holds every request
// for ever, except those of the test's GUI thread, which it answers at once with an error
// after writing them down. A request from the GUI thread is then a failure of the test
// rather than a hang of it.
//
// The volume is mounted in a mount namespace of the test's own, so no other program on
// the machine ever meets it: a test first re-runs itself there,
//
//     const THungVolumeRun run = RunInOwnMountNamespace("Suite.*");
//     if (run.Kind == THungVolumeRun::Skipped) GTEST_SKIP() << run.Output;
//     if (run.Kind == THungVolumeRun::RanThere) { EXPECT_EQ(run.Status, 0) << run.Output; return; }
//     // here: in the namespace
//     THungVolume volume;
//     if (!volume.Mount()) GTEST_SKIP() << volume.WhyNot();
#pragma once

#include <string>
#include <sys/types.h>

struct THungVolumeRun {
    enum { InNamespace, Skipped, RanThere } Kind = InNamespace;
    std::string Output; // the copy's output, or why it could not run
    int Status = 0;     // the copy's exit status
};

// Re-runs this test binary with `gtestFilter` in a mount namespace of its own, unless this
// already is that copy. Skipped where /dev/fuse, python3-fusepy or namespaces are missing.
THungVolumeRun RunInOwnMountNamespace(const std::string& gtestFilter);

class THungVolume {
public:
    // The volume's folder: /mnt/gone, on a tmpfs of the namespace's own over /mnt (where
    // disk volumes are shown from).
    static constexpr const char* kMountPoint = "/mnt/gone";

    THungVolume();
    ~THungVolume(); // kills the server, which fails every request it holds, and detaches
    THungVolume(const THungVolume&) = delete;
    THungVolume& operator=(const THungVolume&) = delete;

    // Mounts the volume and waits for it; false with WhyNot() where that is not permitted.
    bool Mount();
    const std::string& WhyNot() const { return FWhyNot; }
    // The requests the server has seen, a line each: "operation path thread held|refused".
    std::string Requests() const;

private:
    std::string FLog;
    std::string FWhyNot;
    pid_t FServer = -1;
};
