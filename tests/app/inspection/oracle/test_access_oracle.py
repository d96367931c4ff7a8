"""Checks Grantwell's "why" against the kernel.

Builds real items (closed folders, ACLs with and without a mask, groups
reached through supplementary membership, sticky folders, lock flags,
read-only and noexec mounts, a FAT disk where the kernel has one), asks
`grantwell --report --json --as ACCOUNT` about each, then has that account
really try every action. What Grantwell allows must be what the kernel
allowed, every time, and the first blocker must be the one the case was
built with. Needs root: it makes accounts, mounts and lock flags.

usage: test_access_oracle.py GRANTWELL
"""
import json
import os
import pwd
import grp
import shutil
import subprocess
import sys
import tempfile

TEAM = "gw-oracle-team"
ANN = "gw-oracle-ann"   # a member of TEAM, through a supplementary group
BOB = "gw-oracle-bob"   # no group but its own
ACCOUNTS = ["root", ANN, BOB]
PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "access_probe.py")
PYTHON = "/usr/bin/python3"

skipped = []


def sh(*args, check=True):
    return subprocess.run(args, check=check, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True)


def ensure_accounts():
    if sh("getent", "group", TEAM, check=False).returncode != 0:
        sh("groupadd", TEAM)
    for name in (ANN, BOB):
        if sh("getent", "passwd", name, check=False).returncode != 0:
            sh("useradd", "--no-create-home", "--shell", "/usr/sbin/nologin", name)
    sh("usermod", "-a", "-G", TEAM, ANN)


class Sandbox:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="gw-oracle-", dir="/tmp")
        os.chmod(self.root, 0o755)
        self.mounts = []
        self.locked = []
        # A tmpfs of its own: lock flags work there on any host file system.
        if self.mount("tmpfs", self.root, "tmpfs", "size=16m,mode=755"):
            self.mounts.append(self.root)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def mount(self, source, target, fstype, options):
        result = sh("mount", "-t", fstype, "-o", options, source, target, check=False)
        return result.returncode == 0

    def chattr(self, flag, path):
        sh("chattr", flag, path)
        self.locked.append(path)

    def close(self):
        for path in self.locked:
            sh("chattr", "-i", "-a", path, check=False)
        for mount in reversed(self.mounts):
            sh("umount", "-l", mount, check=False)
        shutil.rmtree(self.root, ignore_errors=True)


def uid(name):
    return pwd.getpwnam(name).pw_uid


def make(path, mode, owner="root", group=None, content="#!/bin/sh\nexit 0\n", folder=False):
    if folder:
        os.makedirs(path, exist_ok=True)
    else:
        with open(path, "w") as f:
            f.write(content)
    gid = grp.getgrnam(group).gr_gid if group else pwd.getpwnam(owner).pw_gid
    os.chown(path, uid(owner), gid)
    os.chmod(path, mode)
    return path


def setfacl(path, spec):
    sh("setfacl", "-m", spec, path)


# Each case: a name, a function that builds it and answers (item, kind,
# expectations), where expectations maps (account, action) to the
# (path, cause) of the first blocker the case was built for.
def cases(box, only=None):
    def folder(name, mode=0o755, owner="root", group=None):
        return make(box.path(name), mode, owner, group, folder=True)

    def file_in(parent, mode, owner="root", group=None, name="f"):
        return make(os.path.join(parent, name), mode, owner, group)

    def closed_parent():
        d = folder("closed", 0o700)
        return file_in(d, 0o644), "file", {(BOB, "open"): (d, "folderClosed"),
                                           (ANN, "save"): (d, "folderClosed")}

    def closed_grandparent():
        d = folder("ann-only", 0o700, ANN)
        inner = make(os.path.join(d, "inner"), 0o755, folder=True)
        return file_in(inner, 0o644), "file", {(BOB, "open"): (d, "folderClosed")}

    def search_only():
        d = folder("search-only", 0o711)
        return d, "folder", {(BOB, "list"): (d, "mode")}

    def list_without_search():
        d = folder("list-only", 0o744)
        return d, "folder", {(BOB, "open"): (d, "mode")}

    def owner_bits():
        f = file_in(folder("owner-bits"), 0o400, BOB)
        return f, "file", {(BOB, "save"): (f, "mode"), (ANN, "open"): (f, "mode")}

    def supplementary_group():
        f = file_in(folder("team-read"), 0o640, "root", TEAM)
        return f, "file", {(BOB, "open"): (f, "mode")}

    def group_write():
        f = file_in(folder("team-write"), 0o664, "root", TEAM)
        return f, "file", {(BOB, "save"): (f, "mode")}

    def owner_class_wins():
        f = file_in(folder("owner-class"), 0o070, ANN, TEAM)
        return f, "file", {(ANN, "open"): (f, "mode"), (BOB, "open"): (f, "mode")}

    def acl_named_user():
        f = file_in(folder("acl-user"), 0o600)
        setfacl(f, "u:%s:rw" % BOB)
        return f, "file", {(ANN, "open"): (f, "mode")}

    def acl_named_user_masked():
        f = file_in(folder("acl-user-mask"), 0o600)
        setfacl(f, "u:%s:rw,m::r" % BOB)
        return f, "file", {(BOB, "save"): (f, "mask")}

    def acl_named_user_denied():
        f = file_in(folder("acl-user-deny"), 0o644)
        setfacl(f, "u:%s:-" % BOB)
        return f, "file", {(BOB, "open"): (f, "acl")}

    def acl_named_group():
        f = file_in(folder("acl-group"), 0o600)
        setfacl(f, "g:%s:r" % TEAM)
        return f, "file", {(BOB, "open"): (f, "mode"), (ANN, "save"): (f, "acl")}

    def acl_named_group_masked():
        f = file_in(folder("acl-group-mask"), 0o600)
        setfacl(f, "g:%s:rw,m::r" % TEAM)
        return f, "file", {(ANN, "save"): (f, "mask")}

    def acl_owning_group_refuses():
        f = file_in(folder("acl-owning-group"), 0o604, "root", TEAM)
        setfacl(f, "g::-,u:nobody:r")
        return f, "file", {(ANN, "open"): (f, "acl")}

    def acl_named_user_over_group():
        f = file_in(folder("acl-user-over-group"), 0o660, "root", TEAM)
        setfacl(f, "u:%s:-" % ANN)
        return f, "file", {(ANN, "open"): (f, "acl")}

    def acl_mask_cuts_owning_group():
        f = file_in(folder("acl-mask-group"), 0o640, "root", TEAM)
        setfacl(f, "u:%s:r,m::-" % BOB)
        return f, "file", {(ANN, "open"): (f, "mask"), (BOB, "open"): (f, "mask")}

    def acl_folder_search():
        d = folder("acl-folder", 0o700)
        setfacl(d, "u:%s:x" % BOB)
        return file_in(d, 0o644), "file", {(ANN, "open"): (d, "folderClosed")}

    def acl_folder_search_masked():
        d = folder("acl-folder-mask", 0o700)
        setfacl(d, "u:%s:rx,m::r" % BOB)
        return file_in(d, 0o644), "file", {(BOB, "open"): (d, "folderClosed")}

    def acl_folder_create():
        d = folder("acl-create", 0o755)
        setfacl(d, "u:%s:rwx" % BOB)
        return d, "folder", {(ANN, "create"): (d, "mode")}

    def not_writable_folder_create():
        d = folder("no-create", 0o755)
        return d, "folder", {(BOB, "create"): (d, "mode")}

    def sticky_other_owner():
        d = folder("sticky", 0o1777)
        return file_in(d, 0o666, ANN), "file", {(BOB, "delete"): (d, "sticky")}

    def sticky_folder_owner():
        d = folder("sticky-bob", 0o1777, BOB)
        return file_in(d, 0o666, ANN), "file", {(ANN, "run"): (os.path.join(d, "f"),
                                                                 "noExecuteBit")}

    def folder_not_writable():
        d = folder("fixed", 0o755)
        return file_in(d, 0o666), "file", {(BOB, "delete"): (d, "folderNotWritable")}

    def immutable_file():
        f = file_in(folder("immutable-file", 0o777), 0o666)
        box.chattr("+i", f)
        return f, "file", {("root", "save"): (f, "immutable"),
                           (BOB, "save"): (f, "immutable"),
                           ("root", "delete"): (f, "immutable")}

    def append_only_file():
        f = file_in(folder("append-file", 0o777), 0o666)
        box.chattr("+a", f)
        return f, "file", {("root", "save"): (f, "appendOnly"),
                           (ANN, "delete"): (f, "appendOnly")}

    def immutable_folder():
        d = folder("immutable-folder", 0o777)
        box.chattr("+i", d)
        return d, "folder", {("root", "create"): (d, "immutable"),
                             (BOB, "create"): (d, "immutable")}

    def file_in_immutable_folder():
        d = folder("locked-parent", 0o777)
        f = file_in(d, 0o666)
        box.chattr("+i", d)
        return f, "file", {("root", "delete"): (d, "immutable")}

    def append_only_folder():
        d = folder("append-folder", 0o777)
        f = file_in(d, 0o666)
        box.chattr("+a", d)
        return f, "file", {("root", "delete"): (d, "appendOnly")}

    def no_execute_bit():
        f = file_in(folder("no-x"), 0o644)
        return f, "file", {("root", "run"): (f, "noExecuteBit"), (BOB, "run"): (f, "noExecuteBit")}

    def root_runs_with_any_bit():
        f = file_in(folder("owner-x"), 0o700, BOB)
        return f, "file", {(ANN, "run"): (f, "mode")}

    def link_on_the_way():
        d = folder("behind-link", 0o700)
        inner = make(os.path.join(d, "inner"), 0o755, folder=True)
        file_in(inner, 0o644)
        os.symlink(inner, box.path("shortcut"))
        return box.path("shortcut", "f"), "file", {(BOB, "open"): (d, "folderClosed")}

    def final_link():
        d = folder("links", 0o1777)
        target = file_in(folder("link-target"), 0o600)
        link = os.path.join(d, "to-target")
        os.symlink(target, link)
        os.lchown(link, uid(ANN), -1)
        expected = {(BOB, "delete"): (d, "sticky")}
        # With fs.protected_symlinks, only the link's owner gets past it here.
        expected[(BOB, "open")] = (d, "sticky") if protected_symlinks() else (target, "mode")
        return link, "file", expected

    built = [closed_parent, closed_grandparent, search_only, list_without_search, owner_bits,
             supplementary_group, group_write, owner_class_wins, acl_named_user,
             acl_named_user_masked, acl_named_user_denied, acl_named_group,
             acl_named_group_masked, acl_owning_group_refuses, acl_named_user_over_group,
             acl_mask_cuts_owning_group, acl_folder_search, acl_folder_search_masked,
             acl_folder_create, not_writable_folder_create, sticky_other_owner,
             sticky_folder_owner, folder_not_writable, immutable_file, append_only_file,
             immutable_folder, file_in_immutable_folder, append_only_folder, no_execute_bit,
             root_runs_with_any_bit, link_on_the_way, final_link]
    for build in built:
        if only is None or build.__name__ in only:
            yield (build.__name__,) + build()
    if only is None:
        yield from mounted_cases(box)


def mounted_cases(box):
    ro = box.path("read-only")
    os.mkdir(ro)
    if box.mount("tmpfs", ro, "tmpfs", "size=1m,mode=777"):
        box.mounts.append(ro)
        f = make(os.path.join(ro, "f"), 0o666)
        d = make(os.path.join(ro, "d"), 0o777, folder=True)
        sh("mount", "-o", "remount,ro", ro)
        yield ("read_only_mount_file", f, "file",
               {("root", "save"): (f, "readOnlyMount"), (BOB, "save"): (f, "readOnlyMount"),
                ("root", "delete"): (ro, "readOnlyMount")})
        yield ("read_only_mount_folder", d, "folder", {("root", "create"): (d, "readOnlyMount")})
    else:
        skipped.append("read-only mount: tmpfs could not be mounted")

    noexec = box.path("noexec")
    os.mkdir(noexec)
    if box.mount("tmpfs", noexec, "tmpfs", "size=1m,mode=755,noexec"):
        box.mounts.append(noexec)
        p = make(os.path.join(noexec, "program"), 0o755)
        yield ("noexec_mount", p, "file",
               {("root", "run"): (p, "noexecMount"), (BOB, "run"): (p, "noexecMount")})
    else:
        skipped.append("noexec mount: tmpfs could not be mounted")

    fat = box.path("fat")
    os.mkdir(fat)
    image = box.path("fat.img")
    reason = None
    if not shutil.which("mkfs.vfat"):
        reason = "mkfs.vfat is not installed"
    elif "vfat" not in open("/proc/filesystems").read():
        reason = "this kernel has no vfat file system"
    else:
        with open(image, "wb") as f:
            f.truncate(8 << 20)
        sh("mkfs.vfat", image)
        if not box.mount(image, fat, "vfat",
                         "loop,uid=%d,fmask=0133,dmask=0022" % uid(ANN)):
            reason = "the FAT image could not be mounted (no loop device?)"
    if reason:
        skipped.append("vfat: " + reason)
        return
    box.mounts.append(fat)
    with open(os.path.join(fat, "f"), "w") as f:
        f.write("data\n")
    item = os.path.join(fat, "f")
    yield ("vfat_mount_options", item, "file",
           {(BOB, "save"): (item, "noPermissionSupport"),
            (BOB, "delete"): (fat, "noPermissionSupport")})


PROTECTED = "/proc/sys/fs/protected_symlinks"


def protected_symlinks():
    with open(PROTECTED) as f:
        return f.read().strip() == "1"


def explain(grantwell, account, paths):
    result = subprocess.run([grantwell, "--report", "--json", "--as", account] + paths,
                            check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    records = json.loads(result.stdout)
    records = records if isinstance(records, list) else [records]
    return {path: record["why"] for path, record in zip(paths, records)}


def attempt(account, items):
    entry = pwd.getpwnam(account)
    result = subprocess.run(
        ["setpriv", "--reuid=%d" % entry.pw_uid, "--regid=%d" % entry.pw_gid, "--init-groups",
         "--", PYTHON, PROBE], input=json.dumps(items), check=True, stdout=subprocess.PIPE,
        text=True, cwd="/")
    return json.loads(result.stdout)


def check(grantwell, built, failures):
    items = [[item, kind] for _, item, kind, _ in built]
    paths = [item for item, _ in items]
    checked = 0
    for account in ACCOUNTS:
        said = explain(grantwell, account, paths)
        did = attempt(account, items)
        for name, item, kind, expected in built:
            for key in expected:
                if key[1] not in did[item]:
                    failures.append("%s: no action %s for a %s" % (name, key[1], kind))
            for action, kernel in did[item].items():
                verdict = said[item][action]
                checked += 1
                where = "%s: %s %s" % (name, account, action)
                if verdict["allowed"] != kernel:
                    failures.append("%s: Grantwell says %s, the kernel %s (%s)" % (
                        where, "allowed" if verdict["allowed"] else "refused",
                        "allowed" if kernel else "refused", verdict["blockers"]))
                elif not kernel and not verdict["blockers"]:
                    failures.append(where + ": refused without a blocker")
                want = expected.get((account, action))
                if want is None:
                    continue
                if kernel:
                    failures.append(where + ": built to be refused, the kernel allowed it")
                    continue
                first = verdict["blockers"][0] if verdict["blockers"] else {}
                if (first.get("path"), first.get("cause")) != want:
                    failures.append("%s: first blocker %s at %s, built as %s at %s" % (
                        where, first.get("cause"), first.get("path"), want[1], want[0]))
    return checked


def main():
    if os.geteuid() != 0:
        print("SKIP: the oracle needs root (accounts, mounts, lock flags)")
        return 0
    grantwell = sys.argv[1]
    ensure_accounts()
    box = Sandbox()
    failures = []
    try:
        built = list(cases(box))
        checked = check(grantwell, built, failures)
        print("%d cases, %d verdicts checked against the kernel" % (len(built), checked))
        # The link cases once more under the other fs.protected_symlinks
        # setting, where the machine lets it be changed; put back at once.
        setting = open(PROTECTED).read()
        try:
            with open(PROTECTED, "w") as f:
                f.write("0" if setting.strip() == "1" else "1")
        except OSError:
            skipped.append("fs.protected_symlinks could not be changed for the second round")
        else:
            second = Sandbox()
            try:
                again = list(cases(second, only={"final_link", "link_on_the_way"}))
                checked = check(grantwell, again, failures)
                print("%d more verdicts with fs.protected_symlinks flipped" % checked)
            finally:
                with open(PROTECTED, "w") as f:
                    f.write(setting)
                second.close()
    finally:
        box.close()
    for reason in skipped:
        print("skipped: " + reason)
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


sys.exit(main())
