# Who answers for the Debian package: the one place a station building its own package
# fills in. The package's control fields, changelog, copyright and AppStream data take it
# from here.
set(KALMERO_MAINTAINER "Kalmero <pakiety@kalmero.pl>")
set(KALMERO_HOMEPAGE "https://kalmero.pl/")
