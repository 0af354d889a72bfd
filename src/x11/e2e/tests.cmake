# end-to-end tests: see below
