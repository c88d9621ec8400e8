"""Certificates for the loopback HTTPS servers, made with the openssl tool.

make(folder, ca_name, crl_url) makes, below folder:
    ca.crt              the CA to trust (in a Wine prefix only, never on the host)
    ca.crl              its revocation list, served at crl_url
    unknown-ca.crt      a CA that nobody trusts
    <kind>.crt          a server certificate for each kind below
    server.key          the key of every server certificate
The server certificates name crl_url as their revocation list, but for
"nocrl", which names none; "revoked" is listed as revoked in it.
"""
import os
import subprocess

# kind: (issuing CA, host name (the subject's and the only alternative name),
# validity, whether it names the revocation list)
KINDS = {
    "trusted": ("ca", "localhost", None, True),
    "unknownca": ("unknown-ca", "localhost", None, True),
    "otherhost": ("ca", "other.invalid", None, True),
    "expired": ("ca", "localhost", ("20200101000000Z", "20210101000000Z"), True),
    "nocrl": ("ca", "localhost", None, False),
    "revoked": ("ca", "localhost", None, True),
}
REVOKED = ("revoked",)

CA_CONFIG = """\
[ca]
default_ca = this
[this]
dir = {dir}
database = $dir/index.txt
new_certs_dir = $dir/issued
serial = $dir/serial
crlnumber = $dir/crlnumber
default_md = sha256
default_days = 30
default_crl_days = 30
policy = any
unique_subject = no
[any]
commonName = supplied
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:{host}
{crl}
"""


def _openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def _make_ca(folder, name, subject):
    home = os.path.join(folder, name + ".d")
    os.makedirs(os.path.join(home, "issued"), exist_ok=True)
    open(os.path.join(home, "index.txt"), "w").close()
    with open(os.path.join(home, "serial"), "w") as f:
        f.write("%016X\n" % int.from_bytes(os.urandom(7), "big"))
    with open(os.path.join(home, "crlnumber"), "w") as f:
        f.write("01\n")
    _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30",
             "-keyout", name + ".key", "-out", name + ".crt", "-subj", "/CN=" + subject,
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    return home


def make(folder, ca_name, crl_url):
    os.makedirs(folder, exist_ok=True)
    homes = {"ca": _make_ca(folder, "ca", ca_name),
             "unknown-ca": _make_ca(folder, "unknown-ca", ca_name + " (unknown)")}
    # One key serves every server certificate; only the certificates differ.
    _openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", "server.key",
             cwd=folder)
    for kind, (ca, host, dates, names_crl) in KINDS.items():
        config = os.path.join(folder, kind + ".cnf")
        with open(config, "w") as f:
            f.write(CA_CONFIG.format(dir=homes[ca], host=host,
                                     crl="crlDistributionPoints = URI:" + crl_url if names_crl else ""))
        _openssl("req", "-new", "-key", "server.key", "-out", kind + ".csr", "-subj", "/CN=" + host,
                 cwd=folder)
        dates_args = ["-startdate", dates[0], "-enddate", dates[1]] if dates else []
        _openssl("ca", "-batch", "-notext", "-config", config, "-extensions", "server",
                 "-cert", ca + ".crt", "-keyfile", ca + ".key", "-in", kind + ".csr",
                 "-out", kind + ".crt", *dates_args, cwd=folder)
    config = os.path.join(folder, "trusted.cnf")
    for kind in REVOKED:
        _openssl("ca", "-config", config, "-cert", "ca.crt", "-keyfile", "ca.key", "-revoke", kind + ".crt",
                 cwd=folder)
    _openssl("ca", "-gencrl", "-config", config, "-cert", "ca.crt", "-keyfile", "ca.key",
             "-out", "ca.crl.pem", cwd=folder)
    _openssl("crl", "-in", "ca.crl.pem", "-outform", "DER", "-out", "ca.crl", cwd=folder)
