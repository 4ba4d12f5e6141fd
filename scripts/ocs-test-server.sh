#!/bin/sh
# A private OCS Inventory NG server on loopback for the tests and the fleet
# benchmark: MariaDB on a socket of its own (no TCP port) and Apache with
# mod_perl and Debian's ocsinventory-server on free loopback ports, plain HTTP
# and HTTPS with a throw-away certificate authority. No systemd, nothing of the
# stock daemons' configuration, ports or data is used; each daemon runs in a
# session of its own and is stopped by its PID.
#
#   scripts/ocs-test-server.sh start DIR SCHEMA_DIR   # writes DIR/server.env
#   scripts/ocs-test-server.sh stop DIR               # keeps DIR/log
#   scripts/ocs-test-server.sh sql DIR 'SELECT ...'   # tab-separated rows
#
# server.env holds OCS_URL, OCS_HTTPS_URL, OCS_CA_FILE, OCS_DB_SOCKET, OCS_DIR.
# Packages: scripts/install-ocs-server.sh.
set -eu

command=${1:-}
dir=${2:-}
[ -n "$command" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop|sql DIR [SCHEMA_DIR|QUERY]" >&2; exit 2; }

sql() {
    mariadb --no-defaults --socket="$dir/run/mysqld.sock" -uroot "$@"
}

free_port() {
    perl -MIO::Socket::INET -e 'print IO::Socket::INET->new(Listen => 1, LocalAddr => "127.0.0.1", LocalPort => 0, Proto => "tcp")->sockport'
}

wait_for() { # seconds, command...
    tries=$(($1 * 10)); shift
    while [ $tries -gt 0 ]; do
        "$@" >/dev/null 2>&1 && return 0
        tries=$((tries - 1)); sleep 0.1
    done
    return 1
}

stop_pid_file() {
    [ -f "$1" ] || return 0
    pid=$(cat "$1")
    kill -TERM "$pid" 2>/dev/null || { rm -f "$1"; return 0; }
    if ! wait_for 30 sh -c "! kill -0 $pid"; then
        echo "$0: $pid did not stop within 30 s, killing it" >&2
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$1"
}

start_database() {
    schema=$1
    mkdir -p "$dir/db" "$dir/run" "$dir/log"
    if [ "$(id -u)" -eq 0 ]; then
        as_user="--user=mysql"
        chown mysql:mysql "$dir/db" "$dir/run" "$dir/log"
    else
        as_user=""
    fi
    mariadb-install-db --no-defaults $as_user --datadir="$dir/db" --skip-test-db \
        --auth-root-authentication-method=normal --innodb-log-file-size=8M >"$dir/log/install-db.log" 2>&1
    # setsid: Apache's shutdown signals its whole process group.
    setsid /usr/sbin/mariadbd --no-defaults $as_user --datadir="$dir/db" --skip-networking \
        --socket="$dir/run/mysqld.sock" --pid-file="$dir/run/mysqld.pid" \
        --innodb-buffer-pool-size=32M --innodb-log-file-size=8M --innodb-flush-log-at-trx-commit=2 \
        --log-error="$dir/log/mariadb.err" </dev/null >/dev/null 2>&1 &
    wait_for 60 mariadb-admin --no-defaults --socket="$dir/run/mysqld.sock" -uroot ping \
        || { echo "$0: MariaDB did not start, see $dir/log/mariadb.err" >&2; return 1; }
    # What the console's installer does on an empty server.
    sql -e "CREATE DATABASE ocsweb CHARACTER SET utf8 COLLATE utf8_bin;
            CREATE USER 'ocs'@'localhost' IDENTIFIED BY 'ocs';
            GRANT ALL PRIVILEGES ON ocsweb.* TO 'ocs'@'localhost';"
    sql --init-command="SET sql_mode='NO_ENGINE_SUBSTITUTION'" ocsweb <"$schema/ocsbase_new.sql"
    sql ocsweb -e "UPDATE config SET IVALUE=1 WHERE NAME='LOGLEVEL'"
}

make_certificates() {
    tls="$dir/tls"
    mkdir -p "$tls"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantorix test CA" \
        -keyout "$tls/ca.key" -out "$tls/ca.pem" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" \
        -keyout "$tls/server.key" -out "$tls/server.csr" 2>/dev/null
    printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >"$tls/san.ext"
    openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -CAcreateserial \
        -days 2 -extfile "$tls/san.ext" -out "$tls/server.pem" 2>/dev/null
}

start_web() {
    mkdir -p "$dir/apache" "$dir/log/ocs" "$dir/www"
    if [ "$(id -u)" -eq 0 ]; then
        chown www-data:www-data "$dir/log/ocs"
        identity="User www-data
Group www-data"
    else
        identity=""
    fi
    # The package's configuration, pointed at the private database and logs.
    sed -e "s|^\(\s*PerlSetEnv OCS_DB_HOST\).*|\1 localhost\n  PerlSetEnv OCS_OPT_DBI_MYSQL_SOCKET $dir/run/mysqld.sock|" \
        -e "s|^\(\s*PerlSetEnv OCS_OPT_LOGPATH\).*|\1 \"$dir/log/ocs/\"|" \
        -e "s|^\(\s*PerlSetEnv OCS_OPT_EXT_USERAGENTS_FILE_PATH\).*|\1 /etc/ocsinventory/extra_useragents|" \
        /etc/apache2/conf-available/ocsinventory-server.conf >"$dir/apache/ocsinventory-server.conf"
    for attempt in 1 2 3; do
        http_port=$(free_port)
        https_port=$(free_port)
        cat >"$dir/apache/httpd.conf" <<EOF
ServerRoot "/etc/apache2"
ServerName 127.0.0.1
Listen 127.0.0.1:$http_port
Listen 127.0.0.1:$https_port https
PidFile $dir/run/apache2.pid
Mutex file:$dir/run default
DefaultRuntimeDir $dir/run
$identity
ErrorLog $dir/log/apache-error.log
LogLevel warn
LogFormat "%h %t \"%r\" %>s %I %O \"%{User-Agent}i\"" ocs
CustomLog $dir/log/apache-access.log ocs
LoadModule mpm_prefork_module /usr/lib/apache2/modules/mod_mpm_prefork.so
LoadModule authz_core_module  /usr/lib/apache2/modules/mod_authz_core.so
LoadModule authn_core_module  /usr/lib/apache2/modules/mod_authn_core.so
LoadModule auth_basic_module  /usr/lib/apache2/modules/mod_auth_basic.so
LoadModule authn_file_module  /usr/lib/apache2/modules/mod_authn_file.so
LoadModule authz_user_module  /usr/lib/apache2/modules/mod_authz_user.so
LoadModule socache_shmcb_module /usr/lib/apache2/modules/mod_socache_shmcb.so
LoadModule ssl_module         /usr/lib/apache2/modules/mod_ssl.so
LoadModule perl_module        /usr/lib/apache2/modules/mod_perl.so
StartServers 2
MinSpareServers 2
MaxSpareServers 9
MaxRequestWorkers 12
DocumentRoot $dir/www
SSLSessionCache shmcb:$dir/run/ssl_scache(512000)
<VirtualHost 127.0.0.1:$https_port>
    SSLEngine on
    SSLCertificateFile $dir/tls/server.pem
    SSLCertificateKeyFile $dir/tls/server.key
</VirtualHost>
Include $dir/apache/ocsinventory-server.conf
EOF
        /usr/sbin/apache2 -f "$dir/apache/httpd.conf" -t >"$dir/log/apache-configtest.log" 2>&1 \
            || { cat "$dir/log/apache-configtest.log" >&2; return 1; }
        setsid /usr/sbin/apache2 -f "$dir/apache/httpd.conf" -DFOREGROUND </dev/null >"$dir/log/apache-stdout.log" 2>&1 &
        if wait_for 30 curl -s -o /dev/null "http://127.0.0.1:$http_port/"; then
            break
        fi
        # A port taken between choosing and binding: try others.
        stop_pid_file "$dir/run/apache2.pid"
        [ $attempt = 3 ] && { echo "$0: Apache did not start, see $dir/log/apache-error.log" >&2; return 1; }
    done
    cat >"$dir/server.env" <<EOF
OCS_URL=http://127.0.0.1:$http_port/ocsinventory
OCS_HTTPS_URL=https://127.0.0.1:$https_port/ocsinventory
OCS_CA_FILE=$dir/tls/ca.pem
OCS_DB_SOCKET=$dir/run/mysqld.sock
OCS_DIR=$dir
EOF
}

case $command in
start)
    schema=${3:?the schema folder (scripts/install-ocs-server.sh makes it)}
    for tool in mariadbd apache2 openssl curl perl; do
        command -v $tool >/dev/null 2>&1 || [ -x /usr/sbin/$tool ] \
            || { echo "$0: $tool is missing; run scripts/install-ocs-server.sh" >&2; exit 3; }
    done
    [ -f /usr/share/perl5/Apache/Ocsinventory.pm ] && [ -f "$schema/ocsbase_new.sql" ] \
        || { echo "$0: the OCS server is not installed; run scripts/install-ocs-server.sh" >&2; exit 3; }
    "$0" stop "$dir"
    rm -rf "$dir"
    mkdir -p "$dir"
    # The mysql and www-data users walk down to the sockets and logs.
    chmod 755 "$dir"
    start_database "$schema" || { "$0" stop "$dir"; exit 1; }
    make_certificates
    start_web || { "$0" stop "$dir"; exit 1; }
    cat "$dir/server.env"
    ;;
stop)
    stop_pid_file "$dir/run/apache2.pid"
    stop_pid_file "$dir/run/mysqld.pid"
    # The database is some 100 MB; the logs stay for a look after a failure.
    if [ ! -e "$dir/run/apache2.pid" ] && [ ! -e "$dir/run/mysqld.pid" ]; then
        rm -rf "$dir/db" "$dir/tls" "$dir/apache" "$dir/www"
    fi
    ;;
sql)
    sql -N -B ocsweb -e "${3:?query}"
    ;;
*)
    echo "usage: $0 start|stop|sql DIR [SCHEMA_DIR|QUERY]" >&2
    exit 2
    ;;
esac
