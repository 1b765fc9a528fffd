// The tests' judge of an extraction: python's zipfile compares a folder with an archive (names
// and the folder itself without regard to case, as the Windows file system sees them, with the
// folders the names imply; bytes; modification times against the entries' date_time) and prints
// "PEER-OK" last when they agree.
#pragma once

#include <string>

#include "peer_runner.h"
#include "win_test_util.h"

namespace apptest {

// folder: where the archive was extracted (with its folders; on drive Z: or a drive of the Wine
// prefix); the peer's output.
inline std::string CompareWithPython(const std::string& archive, const std::string& folder) {
  return testutil::RunPeer(
      testutil::BinaryDir() + "app\\pelloro\\dialogs_work\\",
      "python3 - '" + testutil::UnixPath(archive) + "' '" + testutil::UnixPath(folder) +
          "' <<'PY'\n"
          "import os, sys, time, zipfile\n"
          "z = zipfile.ZipFile(sys.argv[1])\n"
          "folder = sys.argv[2]\n"
          "if len(folder) > 1 and folder[1] == ':':  # a drive of the prefix\n"
          "    drive = os.path.join(os.environ.get('WINEPREFIX', ''), 'dosdevices', "
          "folder[:2].lower())\n"
          "    folder = os.path.realpath(drive) + folder[2:]\n"
          "root = '/'\n"
          "for part in folder.strip('/').split('/'):\n"
          "    names = os.listdir(root) if os.path.isdir(root) else []\n"
          "    match = [n for n in names if n.lower() == part.lower()]\n"
          "    root = os.path.join(root, match[0] if match else part)\n"
          "want = {i.filename.rstrip('/').lower(): i for i in z.infolist()}\n"
          "for n in list(want):\n"
          "    while '/' in n:\n"
          "        n = n.rsplit('/', 1)[0]\n"
          "        want.setdefault(n, None)\n"
          "got = {}\n"
          "for d, dirs, files in os.walk(root):\n"
          "    for f in dirs + files:\n"
          "        p = os.path.join(d, f)\n"
          "        got[os.path.relpath(p, root).replace(os.sep, '/').lower()] = p\n"
          "bad = []\n"
          "if sorted(want) != sorted(got): bad.append('names %r != %r' % (sorted(want), "
          "sorted(got)))\n"
          "for n, i in want.items():\n"
          "    p = got.get(n)\n"
          "    if p is None or i is None or i.is_dir(): continue\n"
          "    if open(p, 'rb').read() != z.read(i): bad.append('bytes ' + n)\n"
          "    t = time.localtime(os.path.getmtime(p))[:6]\n"
          "    if t != i.date_time: bad.append('time %s %r %r' % (n, t, i.date_time))\n"
          "print('\\n'.join(bad))\n"
          "print('PEER-OK' if not bad else 'PEER-BAD')\n"
          "PY\n");
}

inline bool PeerOk(const std::string& output) {
  return output.size() >= 8 && output.find("PEER-OK") != std::string::npos;
}

}  // namespace apptest
