"""Throw-away certificates for the HTTPS test servers, made with the openssl command.

    python3 test_certs.py FOLDER      # writes the files below into FOLDER

ca.pem / ca.der      "Velmora Test CA", the authority the tests trust
ca-dir/              a hashed CA folder (openssl rehash) holding that CA alone
other-ca.pem         "Velmora Unknown CA", the authority nobody trusts
server.pem/.key      localhost and 127.0.0.1, valid now: the normal certificate
expired.pem          the same names, valid only in January 2020
wrong-name.pem       only "velmora-other.test": wrong for every address the tests use
unknown-ca.pem       the right names, signed by an authority nobody trusts
proxy.pem            only 127.0.0.1: the https:// proxy's, right for its address and wrong for
                     the name the servers are reached by
All leaves share server.key. Nothing outside FOLDER is touched.
"""
import datetime
import os
import shutil
import subprocess
import sys

CA_NAME = "Velmora Test CA"

_CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
dir = {dir}
database = $dir/index.txt
new_certs_dir = $dir/issued
serial = $dir/serial
default_md = sha256
policy = any_name
unique_subject = no
copy_extensions = none
[any_name]
commonName = supplied
"""

_LEAF_EXTENSIONS = """basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = {names}
"""


def _openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def _make_ca(folder, name, stem):
    work = os.path.join(folder, stem + "-ca")
    os.makedirs(os.path.join(work, "issued"))
    open(os.path.join(work, "index.txt"), "w").close()
    with open(os.path.join(work, "serial"), "w") as f:
        f.write("1000\n")
    with open(os.path.join(work, "ca.cnf"), "w") as f:
        f.write(_CA_CONFIG.format(dir=work))
    _openssl("genrsa", "-out", "ca.key", "2048", cwd=work)
    _openssl("req", "-x509", "-new", "-key", "ca.key", "-subj", "/CN=" + name, "-days", "3", "-sha256",
             "-addext", "basicConstraints=critical,CA:true",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", "-out", "ca.pem", cwd=work)
    return work


def _issue(ca, folder, out_name, names, start, end):
    csr = os.path.join(folder, out_name + ".csr")
    ext = os.path.join(folder, out_name + ".ext")
    with open(ext, "w") as f:
        f.write(_LEAF_EXTENSIONS.format(names=names))
    _openssl("req", "-new", "-key", "server.key", "-subj", "/CN=" + names.split(",")[0].split(":")[1],
             "-out", csr, cwd=folder)
    _openssl("ca", "-batch", "-config", os.path.join(ca, "ca.cnf"), "-keyfile", os.path.join(ca, "ca.key"),
             "-cert", os.path.join(ca, "ca.pem"), "-in", csr, "-out", os.path.join(folder, out_name + ".pem"),
             "-startdate", start, "-enddate", end, "-extfile", ext, "-notext", cwd=folder)
    os.remove(csr)
    os.remove(ext)


def make_certs(folder):
    """Writes the files listed above into folder and returns their paths by name."""
    os.makedirs(folder, exist_ok=True)
    now = datetime.datetime.now(datetime.timezone.utc)
    fmt = "%Y%m%d%H%M%SZ"
    start = (now - datetime.timedelta(days=1)).strftime(fmt)
    end = (now + datetime.timedelta(days=2)).strftime(fmt)
    good = "DNS:localhost,IP:127.0.0.1"

    ca = _make_ca(folder, CA_NAME, "test")
    other_ca = _make_ca(folder, "Velmora Unknown CA", "unknown")
    _openssl("genrsa", "-out", "server.key", "2048", cwd=folder)
    _issue(ca, folder, "server", good, start, end)
    _issue(ca, folder, "expired", good, "20200101000000Z", "20200201000000Z")
    _issue(ca, folder, "wrong-name", "DNS:velmora-other.test", start, end)
    _issue(other_ca, folder, "unknown-ca", good, start, end)
    _issue(ca, folder, "proxy", "IP:127.0.0.1", start, end)
    os.replace(os.path.join(ca, "ca.pem"), os.path.join(folder, "ca.pem"))
    _openssl("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der", cwd=folder)
    os.replace(os.path.join(other_ca, "ca.pem"), os.path.join(folder, "other-ca.pem"))
    ca_dir = os.path.join(folder, "ca-dir")
    os.makedirs(ca_dir)
    shutil.copyfile(os.path.join(folder, "ca.pem"), os.path.join(ca_dir, "velmora-test-ca.pem"))
    _openssl("rehash", ca_dir, cwd=folder)
    paths = {name: os.path.join(folder, name + ".pem")
             for name in ("ca", "other-ca", "server", "expired", "wrong-name", "unknown-ca", "proxy")}
    paths["key"] = os.path.join(folder, "server.key")
    paths["ca-der"] = os.path.join(folder, "ca.der")
    paths["ca-dir"] = ca_dir
    return paths


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for name, path in make_certs(sys.argv[1]).items():
        print(name, path)
